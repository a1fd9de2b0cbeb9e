// The folder list: the way from the drive's root down to the current folder,
// each folder one step further in, then the current folder's subfolders, as a
// folder tree shows them. Opening an entry (double-click or Enter) moves there;
// opening the current folder reads it again.
#pragma once

#include <QListView>

namespace tavik {

class FolderLoader;
class FolderRows;

class FolderList : public QListView {
    Q_OBJECT

public:
    explicit FolderList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    QString root() const { return m_root; }
    // Moves to `folder` on the drive whose root is `root` and emits changed().
    // When the folder cannot be opened, nothing changes and the reason is
    // returned; otherwise the empty text.
    QString setPath(const QString &folder, const QString &root);
    // The folder shown in `row`, as the list's rows stand now.
    QString folderAt(int row) const;
    int count() const;
    bool isFilling() const;

signals:
    void changed();
    // Opening an entry failed; the list stayed where it was.
    void openFailed(const QString &folder, const QString &reason);
    // The subfolders are all listed.
    void filled();

private:
    void open(const QModelIndex &index);
    void showSubfolders(const QStringList &names);

    QString m_path;
    QString m_root;
    FolderRows *m_rows;
    FolderLoader *m_loader;
};

} // namespace tavik
