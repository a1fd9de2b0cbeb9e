// Reading a folder the way the desktop's file dialogs show it: hidden entries
// left out, names sorted as a person expects ("Game 2" before "Game 10").
#pragma once

#include <QString>
#include <QStringList>

namespace tavik {

struct FolderContents {
    QStringList folders;   // subfolders, links to folders included
    QStringList files;     // every other entry that is a file, whatever its name
    bool complete = true;  // false when the reading stopped at its limit
};

// Reads up to `limit` entries of `folder` (all of them when `limit` is negative),
// unsorted. A folder that cannot be read gives empty, complete contents.
FolderContents readFolder(const QString &folder, qsizetype limit = -1);

// Sorts names the natural way, ignoring case, in the user's language; under the
// plain C locale it sorts as in English. Equal-looking names keep a fixed order.
void sortNaturally(QStringList &names);

// Why `folder` cannot be opened, in plain words, or the empty text when it can.
QString folderProblem(const QString &folder);

// The message that a folder could not be opened, naming it, with the reason
// folderProblem() gave. The empty name stands for a working folder that no
// longer exists and whose path nobody knows any more.
QString unopenableFolderMessage(const QString &folder, const QString &reason);

// The launcher's working folder. Once it has been deleted the system no longer
// reports it as the current folder, though it still knows the path it had; that
// path is returned then, so that messages can name the folder that went. Empty
// only when even that path cannot be learnt.
QString workingFolderPath();

// `folder` and each folder above it up to `root`, the root first. When `folder`
// does not lie under `root`, the chain starts at the file system's root.
QStringList folderChain(const QString &folder, const QString &root);

} // namespace tavik
