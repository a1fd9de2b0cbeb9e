#include "system/folderreading.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <vector>

#ifdef Q_OS_UNIX
#include <climits>
#include <dirent.h>
#include <unistd.h>
#endif

namespace tavik {

FolderContents readFolder(const QString &folder, qsizetype limit)
{
    FolderContents contents;
    if (folder.isEmpty())
        return contents;
    // Without QDir::Hidden the iterator leaves out dot files; without
    // QDir::System it leaves out broken links, sockets and devices.
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot);
    qsizetype seen = 0;
    while (it.hasNext()) {
        if (limit >= 0 && seen == limit) {
            contents.complete = false;
            break;
        }
        it.next();
        ++seen;
        const QFileInfo info = it.fileInfo();
        if (info.isDir())
            contents.folders.append(info.fileName());
        else if (info.isFile())
            contents.files.append(info.fileName());
    }
    return contents;
}

void sortNaturally(QStringList &names)
{
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);

    // Sort keys once per name: far faster than comparing the names themselves.
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(static_cast<std::size_t>(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        keys.emplace_back(collator.sortKey(names[i]), i);
    std::sort(keys.begin(), keys.end(), [&names](const auto &a, const auto &b) {
        const int order = a.first.compare(b.first);
        if (order != 0)
            return order < 0;
        return names[a.second] < names[b.second];
    });

    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto &key : keys)
        sorted.append(names[key.second]);
    names = std::move(sorted);
}

QString folderProblem(const QString &folder)
{
    if (folder.isEmpty())
        return QStringLiteral("No folder was given");
#ifdef Q_OS_UNIX
    // Opening it is the only honest test: permissions, a missing medium or a
    // vanished folder all show up here, with the system's own reason.
    DIR *handle = ::opendir(QFile::encodeName(folder).constData());
    if (!handle)
        return qt_error_string(errno);
    ::closedir(handle);
    return {};
#else
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("It does not exist");
    if (!info.isDir())
        return QStringLiteral("It is not a folder");
    if (!info.isReadable())
        return QStringLiteral("Permission denied");
    return {};
#endif
}

QString unopenableFolderMessage(const QString &folder, const QString &reason)
{
    if (folder.isEmpty())
        return QStringLiteral("The working folder no longer exists.");
    return QStringLiteral("The folder %1 could not be opened: %2.").arg(QDir::toNativeSeparators(folder), reason);
}

QString workingFolderPath()
{
    QString path = QDir::currentPath();
    if (!path.isEmpty())
        return path;
#ifdef Q_OS_LINUX
    // The kernel keeps naming a deleted working folder, with this mark after
    // its path; anything else it might answer (such as "(unreachable)") is no path.
    char target[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/cwd", target, sizeof target);
    if (length <= 0 || std::size_t(length) >= sizeof target)
        return {};
    path = QFile::decodeName(QByteArray(target, length));
    const QLatin1String deletedMark(" (deleted)");
    if (path.endsWith(deletedMark))
        path.chop(deletedMark.size());
    if (path.startsWith(QLatin1Char('/')))
        return path;
#endif
    return {};
}

QStringList folderChain(const QString &folder, const QString &root)
{
    const QString cleanFolder = QDir::cleanPath(folder);
    QString cleanRoot = QDir::cleanPath(root);
    const bool underRoot =
        !cleanRoot.isEmpty()
        && (cleanFolder == cleanRoot
            || cleanFolder.startsWith(cleanRoot.endsWith(QLatin1Char('/')) ? cleanRoot
                                                                              : cleanRoot + QLatin1Char('/')));
    if (!underRoot)
        cleanRoot = QDir::rootPath();

    QStringList chain{cleanFolder};
    QString current = cleanFolder;
    while (current != cleanRoot) {
        const qsizetype slash = current.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            break;
        const QString parent = current.left(slash);
        current = parent.isEmpty() || cleanRoot == parent + QLatin1Char('/') ? cleanRoot : parent;
        chain.prepend(current);
    }
    return chain;
}

} // namespace tavik
