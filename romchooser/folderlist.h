// The folder list: the way from the drive's root down to the current folder,
// each folder one step further in, then the current folder's subfolders, as a
// folder tree shows them. Opening an entry (double-click or Enter) moves there;
// opening the current folder reads it again. Each folder is read once, for
// this list and the file list both: the files it holds go out by filesRead().
#pragma once

#include "launch/outcome.h"

#include <QListView>

namespace tavik {

class FolderLoader;
class FolderRows;
class Platform;

class FolderList : public QListView {
    Q_OBJECT

public:
    explicit FolderList(QWidget *parent = nullptr);

    // Where the folders are opened; set before the first setPath().
    void openFoldersThrough(Platform &platform) { m_platform = &platform; }

    QString path() const { return m_path; }
    QString root() const { return m_root; }
    // Moves to `folder` on the drive whose root is `root`, emits changed() and
    // reads the folder; a read of the folder left is stopped.
    // When the folder cannot be opened, nothing changes and that fails.
    Outcome setPath(const QString &folder, const QString &root);
    // The folder shown in `row`, as the list's rows stand now.
    QString folderAt(int row) const;
    // Stops reading the folder shown; its subfolders and files never come.
    void stopReading();

signals:
    void changed();
    // Opening an entry failed; the list stayed where it was.
    void openFailed(const QString &folder, const QString &reason);
    // The read of the folder shown fell short: both lists lack entries.
    void readFailed(const QString &folder, const QString &message);
    // The files of `folder`, sorted, from the same read as its subfolders.
    void filesRead(const QString &folder, const QStringList &files);

private:
    void open(const QModelIndex &index);
    void showContents(const QString &folder, const QStringList &folders, const QStringList &files);

    QString m_path;
    QString m_root;
    FolderRows *m_rows;
    FolderLoader *m_loader;
    Platform *m_platform = nullptr;
};

} // namespace tavik
