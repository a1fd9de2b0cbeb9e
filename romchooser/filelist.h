// The file list: the files of one folder, every name whatever its extension,
// hidden files left out, sorted as a person expects.
#pragma once

#include <QListView>

class QStringListModel;

namespace tavik {

class FileList : public QListView {
    Q_OBJECT

public:
    explicit FileList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Empties the list for the files of `folder`, which showFiles() brings
    // (a large folder's shortly after).
    void setPath(const QString &folder);
    // Shows `names`, the files of `folder`, with none selected; the files of
    // a folder no longer shown are dropped.
    void showFiles(const QString &folder, const QStringList &names);
    // The selected entry's name alone, without its folder; empty when none is.
    QString fileName() const;

signals:
    // The selected entry changed, by mouse or keyboard.
    void fileClicked();

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    QString m_path;
    QStringListModel *m_model;
};

} // namespace tavik
