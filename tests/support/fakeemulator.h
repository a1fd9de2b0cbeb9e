// Files for tests on real temporary folders, and a fake program that records
// how it was started.
#pragma once

#include "system/filenames.h"
#include "system/folderreading.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cerrno>

#include <dirent.h>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik::testing {

// Holds the process's working folder and puts it back when it goes, however
// the test that moved it ends.
class WorkingFolderGuard {
public:
    WorkingFolderGuard() : m_folder(QDir::currentPath()) {}
    ~WorkingFolderGuard() { QDir::setCurrent(m_folder); }
    WorkingFolderGuard(const WorkingFolderGuard &) = delete;
    WorkingFolderGuard &operator=(const WorkingFolderGuard &) = delete;

private:
    QString m_folder;
};

inline void writeFile(const QString &path, const QByteArray &content = {}, bool executable = false)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(content);
    file.close();
    if (executable)
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser));
}

// A folder or an empty file made by the exact bytes of its name.
inline void makeByBytes(const QString &path, bool folder)
{
    const QByteArray bytes = fileNameToBytes(path);
    const int fd = folder ? ::mkdir(bytes.constData(), 0700) : ::open(bytes.constData(), O_CREAT | O_EXCL, 0600);
    QVERIFY2(fd >= 0, bytes.constData());
    if (!folder)
        ::close(fd);
}

// A temporary folder that also removes names that are not UTF-8, which
// QTemporaryDir leaves behind.
struct TemporaryFolder : QTemporaryDir {
    ~TemporaryFolder()
    {
        ::nftw(fileNameToBytes(path()).constData(), [](const char *p, const struct stat *, int, FTW *) { return ::remove(p); },
               16, FTW_DEPTH | FTW_PHYS);
    }
};

// While it lasts, every folder read takes its entries through `change`: it is
// given what the system gave (null at the end of the folder) and how many
// entries have been taken so far, this one included, and returns what the
// reader gets. So a test fails a read, raises a stop or holds the reading
// thread at the entry it chooses, or makes the entries' types unknown, as
// some file systems give them.
struct FolderEntryStandIn {
    using Change = dirent *(*)(dirent *entry, int taken);
    static inline std::atomic<int> taken{0};
    static inline std::atomic<Change> change{nullptr};
    explicit FolderEntryStandIn(Change how)
    {
        taken = 0;
        change = how;
        readFolderEntry = [](DIR *folder) {
            errno = 0;
            dirent *entry = ::readdir(folder);
            return change.load()(entry, ++taken);
        };
    }
    ~FolderEntryStandIn() { readFolderEntry = ::readdir; }
    FolderEntryStandIn(const FolderEntryStandIn &) = delete;
    FolderEntryStandIn &operator=(const FolderEntryStandIn &) = delete;
};

// While it lasts, every question a read or sort asks of its stop flag is
// counted, and so is each "stop" answer. From the `stopFrom`-th question on the
// answer is "stop" whatever the flag says; before it, or always when
// `stopFrom` is 0, the flag answers.
struct StopFlagStandIn {
    static inline std::atomic<int> asked{0}, stops{0};
    static inline int from = 0;
    static inline bool (*flag)(const std::atomic<bool> &) = nullptr;
    explicit StopFlagStandIn(int stopFrom = 0)
    {
        asked = stops = 0;
        from = stopFrom;
        flag = readStopFlag;
        readStopFlag = [](const std::atomic<bool> &stop) {
            const bool answer = (++asked >= from && from > 0) || flag(stop);
            stops += answer;
            return answer;
        };
    }
    ~StopFlagStandIn() { readStopFlag = flag; }
    StopFlagStandIn(const StopFlagStandIn &) = delete;
    StopFlagStandIn &operator=(const StopFlagStandIn &) = delete;
};

// How many threads of this program go by `name`.
inline int threadsNamed(const QByteArray &name)
{
    int found = 0;
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        found += comm.open(QIODevice::ReadOnly) && comm.readAll() == name + '\n';
    }
    return found;
}

// How many threads are reading a folder for the chooser.
inline int folderReadingThreads() { return threadsNamed("tavik folders"); }

// Reads that fail with `error` once `entries` entries (dot entries included)
// have been taken, as on a failing disk.
struct FailingFolderReads : FolderEntryStandIn {
    static inline std::atomic<int> after{0};
    static inline int error = 0;
    FailingFolderReads(int entries, int failure)
        : FolderEntryStandIn([](dirent *entry, int taken) { return taken > after ? (errno = error, nullptr) : entry; })
    {
        after = entries;
        error = failure;
    }
};

// A fake program that writes its working folder and then its arguments, one a
// line, to `record`, and marks the end of its writing with a second file.
inline QByteArray recorderScript(const QString &record)
{
    return QStringLiteral("#!/bin/sh\n"
                          "out='%1'\n"
                          "pwd > \"$out.tmp\"\n"
                          "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$out.tmp\"; done\n"
                          "mv \"$out.tmp\" \"$out\"\n")
        .arg(record)
        .toUtf8();
}

// The recorded lines once the fake program has written them; empty after ten
// seconds without them.
inline QStringList waitForRecord(const QString &record)
{
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(record) && !deadline.hasExpired())
        QThread::msleep(10);
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace tavik::testing
