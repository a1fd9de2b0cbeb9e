#include "romchooser/folderloader.h"

#include "system/folderreading.h"

#include <QtConcurrent/QtConcurrentRun>

namespace tavik {
namespace {

QStringList sortedPart(FolderContents &contents, FolderLoader::Part part)
{
    QStringList names = part == FolderLoader::Part::Folders ? std::move(contents.folders)
                                                            : std::move(contents.files);
    sortNaturally(names);
    return names;
}

} // namespace

FolderLoader::FolderLoader(Part part, QObject *parent) : QObject(parent), m_part(part) {}

FolderLoader::~FolderLoader() { cancel(); }

void FolderLoader::cancel()
{
    if (m_watcher) {
        // The worker runs to its end; its names go nowhere.
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
        m_watcher = nullptr;
    }
}

void FolderLoader::load(const QString &folder)
{
    cancel();
    FolderContents quick = readFolder(folder, readAtOnce);
    if (quick.complete) {
        emit loaded(sortedPart(quick, m_part));
        return;
    }

    auto *watcher = new QFutureWatcher<QStringList>(this);
    m_watcher = watcher;
    connect(watcher, &QFutureWatcher<QStringList>::finished, this, [this, watcher] {
        const QStringList names = watcher->result();
        m_watcher = nullptr;
        watcher->deleteLater();
        emit loaded(names);
    });
    watcher->setFuture(QtConcurrent::run([folder, part = m_part] {
        FolderContents contents = readFolder(folder);
        return sortedPart(contents, part);
    }));
}

} // namespace tavik
