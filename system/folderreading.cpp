#include "system/folderreading.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik {

struct FolderReader::Entry {
    QString name;
    bool folder = false;
};

FolderReader::FolderReader(const QString &folder)
{
    if (!folder.isEmpty())
        m_handle = ::opendir(QFile::encodeName(folder).constData());
}

FolderReader::~FolderReader()
{
    if (m_handle)
        ::closedir(static_cast<DIR *>(m_handle));
}

// The next entry the desktop's file dialogs would show: hidden entries (a dot
// first) are left out, and so is all that is neither a folder nor a file
// (broken links, sockets, devices), links counting as what they lead to.
bool FolderReader::next(Entry &entry)
{
    if (m_pending) {
        entry = std::move(*m_pending);
        m_pending.reset();
        return true;
    }
    DIR *dir = static_cast<DIR *>(m_handle);
    if (!dir)
        return false;
    while (const dirent *found = ::readdir(dir)) {
        if (found->d_name[0] == '.')
            continue;
        bool isFolder = found->d_type == DT_DIR;
        bool isFile = found->d_type == DT_REG;
        if (found->d_type == DT_LNK || found->d_type == DT_UNKNOWN) {
            struct stat status;
            if (::fstatat(::dirfd(dir), found->d_name, &status, 0) != 0)
                continue;
            isFolder = S_ISDIR(status.st_mode);
            isFile = S_ISREG(status.st_mode);
        }
        if (!isFolder && !isFile)
            continue;
        entry.name = QFile::decodeName(found->d_name);
        entry.folder = isFolder;
        return true;
    }
    ::closedir(dir);
    m_handle = nullptr;
    return false;
}

bool FolderReader::read(FolderContents &contents, qsizetype limit, const std::atomic<bool> *stop)
{
    Entry entry;
    for (qsizetype taken = 0;; ++taken) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        if (!next(entry)) {
            contents.complete = true;
            return true;
        }
        if (limit >= 0 && taken == limit) {
            // One more entry shows that the folder goes on; it is the first of the next step.
            m_pending = std::make_unique<Entry>(std::move(entry));
            contents.complete = false;
            return true;
        }
        (entry.folder ? contents.folders : contents.files).append(std::move(entry.name));
    }
}

FolderContents readFolder(const QString &folder, qsizetype limit)
{
    FolderContents contents;
    FolderReader(folder).read(contents, limit);
    return contents;
}

QCollator naturalOrder()
{
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

void sortNaturally(QStringList &names) { sortNaturally(names, naturalOrder()); }

namespace {

// Thrown out of a sort to end it where it stands.
struct SortStopped {};

} // namespace

bool sortNaturally(QStringList &names, const QCollator &order, const std::atomic<bool> *stop)
{
    const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
    // Sort keys once per name: far faster than comparing the names themselves.
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(static_cast<std::size_t>(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (stopped())
            return false;
        keys.emplace_back(order.sortKey(names[i]), i);
    }
    try {
        std::sort(keys.begin(), keys.end(), [&all = std::as_const(names), &stopped](const auto &a, const auto &b) {
            if (stopped())
                throw SortStopped();
            const int compared = a.first.compare(b.first);
            if (compared != 0)
                return compared < 0;
            return all[a.second] < all[b.second];
        });
    } catch (const SortStopped &) {
        return false;
    }

    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto &key : keys)
        sorted.append(std::move(names[key.second]));
    names = std::move(sorted);
    return true;
}

QString folderProblem(const QString &folder)
{
    if (folder.isEmpty())
        return QStringLiteral("No folder was given");
    // Opening it is the only honest test: permissions, a missing medium or a
    // vanished folder all show up here, with the system's own reason.
    DIR *handle = ::opendir(QFile::encodeName(folder).constData());
    if (!handle)
        return qt_error_string(errno);
    ::closedir(handle);
    return {};
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
