// Fills a list from a folder without freezing the window: a small folder is
// read at once, a large one on a worker thread, its names delivered when done.
#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QStringList>

namespace tavik {

class FolderLoader : public QObject {
    Q_OBJECT

public:
    enum class Part { Folders, Files };

    // Folders with up to this many entries are read before load() returns.
    static constexpr qsizetype readAtOnce = 2000;

    FolderLoader(Part part, QObject *parent);
    ~FolderLoader() override;

    // Reads `folder` and emits loaded() with its sorted names: before returning
    // when the folder is small, later otherwise. A new load drops the one
    // still running, whose names are never delivered.
    void load(const QString &folder);
    // Drops the load still running, if any.
    void cancel();
    bool isLoading() const { return !m_watcher.isNull(); }

signals:
    void loaded(const QStringList &names);

private:
    Part m_part;
    QPointer<QFutureWatcher<QStringList>> m_watcher;
};

} // namespace tavik
