#include "system/programlookup.h"

#include "system/filenames.h"

#include <QDir>
#include <QSet>

#include <climits>
#include <cstdlib>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik {
namespace {

// Every check is made on the name's exact bytes, so that a program in a
// folder whose name is not UTF-8 is found where it is.
QByteArray bytesOf(const QString &path) { return fileNameToBytes(path); }

QString joined(const QString &folder, const QString &name)
{
    return QDir(folder).absoluteFilePath(name);
}

// What makes two names of a folder the same folder: where it really is, when it
// exists; otherwise its tidied absolute name.
QString folderIdentity(const QString &folder)
{
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(bytesOf(folder).constData(), nullptr),
                                                           &std::free);
    return real ? fileNameFromBytes(real.get()) : QDir::cleanPath(QDir(folder).absolutePath());
}

// What a file system entry that is neither a file nor a folder is.
QString kindOfEntry(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    return QStringLiteral("a special file");
}

} // namespace

QStringList programSearchFolders(const QString &launcherFolder, const QString &workingFolder,
                                 const QString &pathVariable)
{
    QStringList candidates;
    for (const QString &folder : {launcherFolder, workingFolder}) {
        if (!folder.isEmpty())
            candidates.append(folder);
    }
    candidates += pathVariable.split(QDir::listSeparator(), Qt::SkipEmptyParts);

    QStringList folders;
    QSet<QString> seen;
    for (const QString &folder : std::as_const(candidates)) {
        const QString identity = folderIdentity(folder);
        if (seen.contains(identity))
            continue;
        seen.insert(identity);
        folders.append(folder);
    }
    return folders;
}

QString findProgram(const QString &name, const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QString candidate = joined(folder, name);
        struct stat entry {};
        if (::stat(bytesOf(candidate).constData(), &entry) == 0 && S_ISREG(entry.st_mode))
            return candidate;
    }
    return {};
}

QStringList nonProgramEntries(const QString &name, const QStringList &folders)
{
    QStringList lines;
    for (const QString &folder : folders) {
        const QString candidate = joined(folder, name);
        const QByteArray bytes = bytesOf(candidate);
        const QString path = QDir::toNativeSeparators(fileNameForDisplay(candidate));
        struct stat entry {};
        struct stat link {};
        if (::stat(bytes.constData(), &entry) == 0) {
            if (S_ISDIR(entry.st_mode))
                lines.append(QStringLiteral("%1 is a folder, not a program.").arg(path));
            else if (!S_ISREG(entry.st_mode))
                lines.append(QStringLiteral("%1 is %2, not a program.").arg(path, kindOfEntry(entry.st_mode)));
        } else if (::lstat(bytes.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
            lines.append(QStringLiteral("%1 is a link to nothing.").arg(path));
        }
    }
    return lines;
}

bool isWindowsExecutable(const QString &filePath)
{
    const int file = ::open(bytesOf(filePath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0)
        return false;
    char mark[2] = {};
    const bool windows = ::read(file, mark, sizeof mark) == 2 && mark[0] == 'M' && mark[1] == 'Z';
    ::close(file);
    return windows;
}

bool isExecutableFile(const QString &filePath)
{
    return ::access(bytesOf(filePath).constData(), X_OK) == 0;
}

QString launcherFolderPath()
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target);
    if (length <= 0 || length == ssize_t(sizeof target))
        return {};
    const QString program = fileNameFromBytes(QByteArrayView(target, length));
    return program.left(program.lastIndexOf(QLatin1Char('/')) > 0 ? program.lastIndexOf(QLatin1Char('/')) : 1);
}

} // namespace tavik
