#include "system/folderreading.h"

#include "system/filenames.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QLoggingCategory>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <functional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik {

Q_LOGGING_CATEGORY(folderLog, "tavik.folders", QtWarningMsg)

struct FolderReader::Entry {
    QString name;
    bool folder = false;
};

FolderReader::FolderReader(const QString &folder) : m_folder(folder)
{
    // By its exact bytes; a text that stands for no bytes names no folder.
    bool whole = true;
    const QByteArray bytes = fileNameToBytes(folder, &whole);
    m_handle = whole ? ::opendir(bytes.constData()) : nullptr;
    if (!m_handle)
        m_opened = Outcome::failed(qt_error_string(whole ? errno : EILSEQ));
}

FolderReader::~FolderReader()
{
    if (m_handle)
        ::closedir(static_cast<DIR *>(m_handle));
}

dirent *FolderReader::nextEntry(DIR *folder) { return ::readdir(folder); }

bool FolderReader::stopped() const { return m_stop.load(std::memory_order_relaxed); }

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
    for (;;) {
        // readdir() tells the end of the folder from a failure only by errno.
        errno = 0;
        const dirent *found = nextEntry(dir);
        if (!found)
            break;
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
        entry.name = fileNameFromBytes(found->d_name);
        entry.folder = isFolder;
        ++m_entriesRead;
        return true;
    }
    m_readError = errno;
    ::closedir(dir);
    m_handle = nullptr;
    if (m_readError != 0) {
        qCWarning(folderLog).noquote() << "Reading" << fileNameForDisplay(m_folder) << "failed after"
                                       << m_entriesRead << "entries:" << qt_error_string(m_readError);
    }
    return false;
}

bool FolderReader::read(FolderContents &contents, qsizetype limit)
{
    Entry entry;
    for (qsizetype taken = 0;; ++taken) {
        if (stopped())
            return false;
        if (!next(entry)) {
            contents.complete = true;
            if (m_readError != 0)
                contents.problem = qt_error_string(m_readError);
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

namespace {

// Sorts `names` in `order`; false, leaving them in some order, as soon as
// `stopped` says so.
bool sortNaturally(QStringList &names, const QCollator &order, const std::function<bool()> &stopped)
{
    // Sort keys once per name: far faster than comparing the names themselves.
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(static_cast<std::size_t>(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (stopped())
            return false;
        keys.emplace_back(order.sortKey(names[i]), i);
    }
    // Once stopped, every pair compares equal: each of the sort's loops then
    // ends at its next comparison, so the sort runs out in a few swaps a name,
    // and the order it leaves is not used.
    bool halted = false;
    const auto before = [&all = std::as_const(names), &stopped, &halted](const auto &a, const auto &b) {
        if (stopped()) {
            halted = true;
            return false;
        }
        const int compared = a.first.compare(b.first);
        if (compared != 0)
            return compared < 0;
        return all[a.second] < all[b.second];
    };
    std::sort(keys.begin(), keys.end(), before);
    if (halted)
        return false;

    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto &key : keys)
        sorted.append(std::move(names[key.second]));
    names = std::move(sorted);
    return true;
}

} // namespace

bool FolderReader::sort(FolderContents &contents, const QCollator &order)
{
    const auto asked = [this] { return stopped(); };
    return sortNaturally(contents.folders, order, asked) && sortNaturally(contents.files, order, asked);
}

bool isFolder(const QString &path)
{
    bool whole = true;
    const QByteArray bytes = fileNameToBytes(path, &whole);
    struct stat status;
    return whole && ::stat(bytes.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

QString unopenableFolderMessage(const QString &folder, const QString &reason)
{
    if (folder.isEmpty())
        return QStringLiteral("The working folder no longer exists.");
    return QStringLiteral("The folder %1 could not be opened: %2.")
        .arg(QDir::toNativeSeparators(fileNameForDisplay(folder)), reason);
}

QString shortReadMessage(const QString &folder, const FolderContents &contents)
{
    if (contents.problem.isEmpty())
        return {};
    return QStringLiteral("The folder %1 could not be read to its end: %2. Its lists show only the "
                          "entries read before that.")
        .arg(QDir::toNativeSeparators(fileNameForDisplay(folder)), contents.problem);
}

QString workingFolderPath()
{
    // Not QDir::currentPath(), which would change a name that is not UTF-8.
    char target[PATH_MAX];
    if (::getcwd(target, sizeof target))
        return fileNameFromBytes(target);
    // The kernel keeps naming a deleted working folder, with this mark after
    // its path; anything else it might answer (such as "(unreachable)") is no path.
    const int error = errno;
    const ssize_t length = ::readlink("/proc/self/cwd", target, sizeof target);
    if (length <= 0 || std::size_t(length) >= sizeof target)
        return {};
    QString path = fileNameFromBytes(QByteArrayView(target, length));
    const QLatin1String deletedMark(" (deleted)");
    if (path.endsWith(deletedMark))
        path.chop(deletedMark.size());
    if (!path.startsWith(QLatin1Char('/')))
        return {};
    qCInfo(folderLog).noquote() << QStringLiteral("The working folder is gone (%1); named by the path it had, %2")
                                       .arg(qt_error_string(error), fileNameForDisplay(path));
    return path;
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
