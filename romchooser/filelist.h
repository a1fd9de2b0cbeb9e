// The file list: the files of one folder, every name whatever its extension,
// hidden files left out, sorted as a person expects.
#pragma once

#include <QListView>

class QStringListModel;

namespace tavik {

class FolderLoader;

class FileList : public QListView {
    Q_OBJECT

public:
    explicit FileList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Shows the files of `folder` with none selected. A large folder fills
    // in shortly after; filled() says when the list is whole.
    void setPath(const QString &folder);
    // The selected entry's name alone, without its folder; empty when none is.
    QString fileName() const;
    int count() const;
    bool isFilling() const;

signals:
    // The selected entry changed, by mouse or keyboard.
    void fileClicked();
    void filled();

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    void showNames(const QStringList &names);

    QString m_path;
    QStringListModel *m_model;
    FolderLoader *m_loader;
};

} // namespace tavik
