#include "romchooser/folderloader.h"

#include "system/folderreading.h"

#include <QCollator>
#include <QPromise>

#include <atomic>
#include <thread>

#include <pthread.h>

namespace tavik {
namespace {

bool sortBoth(FolderContents &contents, const QCollator &order, const std::atomic<bool> *stop = nullptr)
{
    return sortNaturally(contents.folders, order, stop) && sortNaturally(contents.files, order, stop);
}

} // namespace

// What a read's thread owns: shared with its loader only for the stop request.
struct FolderLoader::Read {
    std::atomic<bool> stop{false};
};

FolderLoader::FolderLoader(QObject *parent) : QObject(parent) {}

FolderLoader::~FolderLoader() { cancel(); }

void FolderLoader::cancel()
{
    if (m_running) {
        m_running->stop.store(true);
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
        reader.reset();
        sortBoth(contents, *order);
        emit loaded(folder, contents.folders, contents.files);
        if (!contents.problem.isEmpty())
            emit readFailed(folder, shortReadMessage(folder, contents));
        return;
    }

    // The thread goes on from the entries already read.
    auto read = std::make_shared<Read>();
    m_running = read;
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

    std::thread thread([read = std::move(read), promise = std::move(promise), reader = std::move(reader),
                        contents = std::move(contents), order = std::move(order)]() mutable {
        promise.start();
        if (reader->read(contents, -1, &read->stop) && sortBoth(contents, *order, &read->stop))
            promise.addResult(std::move(contents));
        promise.finish();
        // All the thread held goes before it ends.
        reader.reset();
        contents = {};
        order.reset();
        read.reset();
    });
    // Named before load() returns, so that a look at the program's threads
    // tells the reading one from its start.
    ::pthread_setname_np(thread.native_handle(), "tavik folders");
    thread.detach();
}

} // namespace tavik
