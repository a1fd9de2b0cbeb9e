#include "system/programlookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <utility>

#include <sys/stat.h>

namespace tavik {
namespace {

// What makes two names of a folder the same folder: where it really is, when it
// exists; otherwise its tidied absolute name.
QString folderIdentity(const QString &folder)
{
    const QFileInfo info(folder);
    const QString real = info.canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : real;
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
        const QFileInfo candidate(QDir(folder), name);
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return {};
}

QStringList nonProgramEntries(const QString &name, const QStringList &folders)
{
    QStringList lines;
    for (const QString &folder : folders) {
        const QFileInfo candidate(QDir(folder), name);
        const QString path = QDir::toNativeSeparators(candidate.absoluteFilePath());
        struct stat entry {};
        if (candidate.isDir())
            lines.append(QStringLiteral("%1 is a folder, not a program.").arg(path));
        else if (candidate.isSymLink() && !candidate.exists())
            lines.append(QStringLiteral("%1 is a link to nothing.").arg(path));
        else if (::stat(QFile::encodeName(candidate.absoluteFilePath()).constData(), &entry) == 0
                 && !S_ISREG(entry.st_mode))
            lines.append(QStringLiteral("%1 is %2, not a program.").arg(path, kindOfEntry(entry.st_mode)));
    }
    return lines;
}

bool isWindowsExecutable(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(2) == "MZ";
}

} // namespace tavik
