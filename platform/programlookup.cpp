#include "platform/programlookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tavik {

QStringList programSearchFolders(const QString &launcherFolder, const QString &workingFolder,
                                 const QString &pathVariable)
{
    QStringList folders;
    for (const QString &folder : {launcherFolder, workingFolder}) {
        if (!folder.isEmpty())
            folders.append(folder);
    }
    for (const QString &folder : pathVariable.split(QDir::listSeparator(), Qt::SkipEmptyParts))
        folders.append(folder);
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

bool isWindowsExecutable(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(2) == "MZ";
}

} // namespace tavik
