// Files for tests on real temporary folders, and a fake program that records
// how it was started.
#pragma once

#include "system/filenames.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

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
