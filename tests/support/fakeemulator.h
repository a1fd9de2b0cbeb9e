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

// A folder or an empty file made by the exact bytes of its name, which QDir
// and QFile would change when they are not UTF-8.
inline void makeByBytes(const QString &path, bool folder)
{
    const QByteArray bytes = fileNameToBytes(path);
    if (folder) {
        QVERIFY2(::mkdir(bytes.constData(), 0700) == 0, bytes.constData());
    } else {
        const int fd = ::open(bytes.constData(), O_CREAT | O_WRONLY | O_EXCL, 0600);
        QVERIFY2(fd >= 0, bytes.constData());
        ::close(fd);
    }
}

// A temporary folder that can hold names that are not UTF-8: QTemporaryDir
// alone cannot remove them.
class TemporaryFolder : public QTemporaryDir {
public:
    ~TemporaryFolder()
    {
        ::nftw(fileNameToBytes(path()).constData(),
               [](const char *entry, const struct stat *, int, FTW *) { return ::remove(entry); }, 16,
               FTW_DEPTH | FTW_PHYS);
    }
};

// While it lasts, every folder read fails with `error` once `entries` more
// entries (the dot entries included) have been taken, as a failing disk would.
class FailingFolderReads {
public:
    FailingFolderReads(int entries, int error)
    {
        s_left = entries;
        s_error = error;
        readFolderEntry = &failing;
    }
    ~FailingFolderReads() { readFolderEntry = ::readdir; }
    FailingFolderReads(const FailingFolderReads &) = delete;
    FailingFolderReads &operator=(const FailingFolderReads &) = delete;

private:
    static dirent *failing(DIR *folder)
    {
        if (s_left.fetch_sub(1) <= 0) {
            errno = s_error;
            return nullptr;
        }
        return ::readdir(folder);
    }
    static inline std::atomic<int> s_left{0};
    static inline int s_error = 0;
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

// The recorded lines, byte for byte, once the fake program has written them;
// empty after `waitMs` without them.
inline QByteArrayList waitForRecordBytes(const QString &record, int waitMs = 10000)
{
    QDeadlineTimer deadline(waitMs);
    while (!QFile::exists(record) && !deadline.hasExpired())
        QThread::msleep(10);
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArrayList lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The recorded lines as text.
inline QStringList waitForRecord(const QString &record)
{
    QStringList lines;
    for (const QByteArray &line : waitForRecordBytes(record))
        lines.append(QString::fromUtf8(line));
    return lines;
}

} // namespace tavik::testing
