#include "romchooser/folderloader.h"

#include "system/folderreading.h"

#include <QCollator>
#include <QPromise>

#include <thread>

#include <pthread.h>

namespace tavik {
namespace {

// Folders with up to this many entries are read before load() returns.
constexpr qsizetype readAtOnce = 2000;

} // namespace

FolderLoader::FolderLoader(QObject *parent) : QObject(parent) {}

FolderLoader::~FolderLoader() { cancel(); }

void FolderLoader::cancel()
{
    if (m_running) {
        m_running->stop();
        m_running.reset();
    }
    if (m_watcher) {
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
        m_watcher = nullptr;
    }
}

void FolderLoader::load(const QString &folder, std::unique_ptr<FolderReader> reader)
{
    cancel();
    // The order is settled here, so the thread never asks for the user's language.
    auto order = std::make_unique<QCollator>(naturalOrder());
    FolderContents contents;
    reader->read(contents, readAtOnce);
    if (contents.complete) {
        reader->sort(contents, *order);
        reader.reset();
        emit loaded(folder, contents.folders, contents.files);
        if (!contents.problem.isEmpty())
            emit readFailed(folder, shortReadMessage(folder, contents));
        return;
    }

    // The thread goes on from the entries already read.
    std::shared_ptr<FolderReader> running = std::move(reader);
    m_running = running;
    QPromise<FolderContents> promise;
    auto *watcher = new QFutureWatcher<FolderContents>(this);
    m_watcher = watcher;
    connect(watcher, &QFutureWatcher<FolderContents>::finished, this, [this, watcher, folder] {
        m_running.reset();
        m_watcher = nullptr;
        watcher->deleteLater();
        if (watcher->future().resultCount() == 0)
            return;
        const FolderContents result = watcher->result();
        emit loaded(folder, result.folders, result.files);
        if (!result.problem.isEmpty())
            emit readFailed(folder, shortReadMessage(folder, result));
    });
    watcher->setFuture(promise.future());

    std::thread thread([reader = std::move(running), promise = std::move(promise), contents = std::move(contents),
                        order = std::move(order)]() mutable {
        promise.start();
        if (reader->read(contents) && reader->sort(contents, *order))
            promise.addResult(std::move(contents));
        promise.finish();
        // All the thread held goes before it ends.
        reader.reset();
        contents = {};
        order.reset();
    });
    // Named before load() returns, so that a look at the program's threads
    // tells the reading one from its start.
    ::pthread_setname_np(thread.native_handle(), "tavik folders");
    thread.detach();
}

} // namespace tavik
