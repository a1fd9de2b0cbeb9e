// Reading a folder the way the desktop's file dialogs show it: hidden entries
// left out, names sorted as a person expects ("Game 2" before "Game 10").
#pragma once

#include "launch/outcome.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

#include <dirent.h>

class QCollator;

namespace tavik {

// Names are as fileNameFromBytes() gives them: any name, valid UTF-8 or not,
// goes back to the file system unchanged through fileNameToBytes().
struct FolderContents {
    QStringList folders;   // subfolders, links to folders included
    QStringList files;     // every other entry that is a file, whatever its name
    bool complete = true;  // false when the reading stopped at its limit
    // Why the names fall short of the folder's entries: the system failed to
    // read on (the names read before stay). Empty when every entry was read.
    QString problem;
};

// A read of one folder that can be taken in steps, each step on any thread
// (one at a time), and stopped from any thread between any two entries.
class FolderReader {
public:
    // Opens `folder`; one that cannot be opened reads as empty.
    explicit FolderReader(const QString &folder);
    virtual ~FolderReader();
    FolderReader(const FolderReader &) = delete;
    FolderReader &operator=(const FolderReader &) = delete;

    // Whether the folder could be opened, and if not, why, in plain words.
    // Opening it is the only honest test: permissions, a missing medium or a
    // vanished folder all show up here, with the system's own reason.
    Outcome opened() const { return m_opened; }

    // Adds up to `limit` more entries (all that are left when `limit` is
    // negative) to `contents`, unsorted, and sets contents.complete to whether
    // none is left; a failure sets contents.problem. Returns false, with the
    // contents part-read, as soon as it sees the read stopped.
    bool read(FolderContents &contents, qsizetype limit = -1);
    // Sorts the folders and the files of `contents` in `order`; names that
    // look equal keep a fixed order. Returns false, leaving them in some
    // order, as soon as it sees the read stopped.
    bool sort(FolderContents &contents, const QCollator &order);
    // Stops the read: read() and sort() return at their next question.
    void stop() { m_stop = true; }

protected:
    // The next entry of the open folder, as ::readdir() gives it; a reader
    // over another source of entries gives its own.
    virtual dirent *nextEntry(DIR *folder);
    // Whether the read is to stop now: once stop() has been called. A read
    // asks before each entry, a sort before each key and each comparison.
    virtual bool stopped() const;

private:
    struct Entry;
    bool next(Entry &entry);

    QString m_folder;
    void *m_handle = nullptr;
    Outcome m_opened;
    int m_readError = 0;
    qsizetype m_entriesRead = 0;
    std::unique_ptr<Entry> m_pending;
    std::atomic<bool> m_stop{false};
};

// The order in which names are shown: the natural way, ignoring case, in the
// user's language; under the plain C locale as in English.
QCollator naturalOrder();

// Whether `path` is a folder, or a link to one, looked up by its exact bytes.
bool isFolder(const QString &path);

// The message that a folder could not be opened, naming it, with the reason
// its reader gave. The empty name stands for a working folder that no
// longer exists and whose path nobody knows any more.
QString unopenableFolderMessage(const QString &folder, const QString &reason);

// The message that the read of `folder` that gave `contents` fell short, with
// the reason; the empty text when it did not.
QString shortReadMessage(const QString &folder, const FolderContents &contents);

// The launcher's working folder. Once it has been deleted the system no longer
// reports it as the current folder, though it still knows the path it had; that
// path is returned then, so that messages can name the folder that went. Empty
// only when even that path cannot be learnt.
QString workingFolderPath();

// `folder` and each folder above it up to `root`, the root first. When `folder`
// does not lie under `root`, the chain starts at the file system's root.
QStringList folderChain(const QString &folder, const QString &root);

} // namespace tavik
