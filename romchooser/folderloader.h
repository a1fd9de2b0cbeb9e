// Reads a folder for the chooser's lists without freezing the window: one
// read gives both the subfolders and the files. A small folder is read at
// once; a large one is read and sorted on a thread of its own, and its names
// are delivered when done.
//
// A read no longer wanted (another folder opened, the chooser closed) stops
// within milliseconds, and nothing waits for it: its thread owns all it
// touches and ends by itself, so the program's end is never held up by one.
// The thread goes by the name "tavik folders".
#pragma once

#include "system/folderreading.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

namespace tavik {

class FolderLoader : public QObject {
    Q_OBJECT

public:
    explicit FolderLoader(QObject *parent);
    ~FolderLoader() override;

    // Reads `folder`, through `reader`, which has opened it, and emits loaded()
    // with its sorted names: before returning when the folder is small, later
    // otherwise. A new load stops the one still running, whose names are never
    // delivered.
    void load(const QString &folder, std::unique_ptr<FolderReader> reader);
    // Stops the read still running, if any.
    void cancel();

signals:
    void loaded(const QString &folder, const QStringList &folders, const QStringList &files);
    // Right after loaded(), when the names fall short of the folder's entries:
    // the message for the user, naming the folder and the reason.
    void readFailed(const QString &folder, const QString &message);

private:
    QPointer<QFutureWatcher<FolderContents>> m_watcher;
    // The read going on on its thread, shared with it for the stop only.
    std::shared_ptr<FolderReader> m_running;
};

} // namespace tavik
