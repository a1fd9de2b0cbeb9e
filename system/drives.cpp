#include "system/drives.h"

#include <QDir>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

namespace tavik {
namespace {

bool isUnder(const QString &path, const QString &mountPoint)
{
    if (mountPoint == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == mountPoint || path.startsWith(mountPoint + QLatin1Char('/'));
}

// File systems that hold no user files: kernel interfaces and memory-backed
// scratch space.
bool isPseudoFileSystem(const QString &type)
{
    static const QSet<QString> pseudo{
        QStringLiteral("proc"),       QStringLiteral("sysfs"),      QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),     QStringLiteral("tmpfs"),      QStringLiteral("ramfs"),
        QStringLiteral("cgroup"),     QStringLiteral("cgroup2"),    QStringLiteral("securityfs"),
        QStringLiteral("debugfs"),    QStringLiteral("tracefs"),    QStringLiteral("pstore"),
        QStringLiteral("bpf"),        QStringLiteral("configfs"),   QStringLiteral("fusectl"),
        QStringLiteral("mqueue"),     QStringLiteral("hugetlbfs"),  QStringLiteral("autofs"),
        QStringLiteral("binfmt_misc"), QStringLiteral("efivarfs"),  QStringLiteral("rpc_pipefs"),
        QStringLiteral("nsfs"),       QStringLiteral("selinuxfs"),  QStringLiteral("squashfs"),
        QStringLiteral("fuse.portal"), QStringLiteral("fuse.gvfsd-fuse")};
    return pseudo.contains(type);
}

bool isUserMountArea(const QString &mountPoint, const QString &homeFolder)
{
    for (const char *area : {"/media", "/run/media", "/mnt"}) {
        const QString prefix = QLatin1String(area) + QLatin1Char('/');
        if (mountPoint.startsWith(prefix))
            return true;
    }
    return !homeFolder.isEmpty() && homeFolder != QLatin1String("/") && isUnder(mountPoint, homeFolder);
}

// The index of the entry with the longest mount point above `folder`, or -1.
template <typename Entry>
qsizetype holderIndex(const QString &folder, const QList<Entry> &entries)
{
    qsizetype best = -1;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (isUnder(folder, entries[i].mountPoint)
            && (best < 0 || entries[i].mountPoint.size() > entries[best].mountPoint.size()))
            best = i;
    }
    return best;
}

QString holderOf(const QString &folder, const QList<MountEntry> &mounts)
{
    const qsizetype index = holderIndex(folder, mounts);
    return index < 0 ? QString() : mounts[index].mountPoint;
}

QString captionOf(const MountEntry &mount)
{
    if (mount.label.isEmpty() || mount.label == mount.mountPoint)
        return QDir::toNativeSeparators(mount.mountPoint);
    return QStringLiteral("%1  [%2]").arg(QDir::toNativeSeparators(mount.mountPoint), mount.label);
}

} // namespace

QList<Drive> chooseDrives(const QList<MountEntry> &mounts, const QString &homeFolder,
                          const QString &startFolder)
{
    const QString home = QDir::cleanPath(homeFolder);
    const QString homeDrive = holderOf(home, mounts);
    const QString startDrive = holderOf(QDir::cleanPath(startFolder), mounts);

    QList<MountEntry> picked;
    QSet<QString> seen;
    for (const MountEntry &mount : mounts) {
        const QString &point = mount.mountPoint;
        const bool wanted = point == QLatin1String("/") || point == homeDrive || point == startDrive
                            || (!isPseudoFileSystem(mount.fileSystemType) && isUserMountArea(point, home));
        if (!wanted)
            continue;
        // The last mount over a point is the one that is visible there.
        if (seen.contains(point)) {
            for (MountEntry &earlier : picked) {
                if (earlier.mountPoint == point)
                    earlier = mount;
            }
            continue;
        }
        seen.insert(point);
        picked.append(mount);
    }

    auto rank = [&](const MountEntry &mount) {
        return mount.mountPoint == QLatin1String("/") ? 0 : mount.mountPoint == homeDrive ? 1 : 2;
    };
    std::stable_sort(picked.begin(), picked.end(), [&](const MountEntry &a, const MountEntry &b) {
        if (rank(a) != rank(b))
            return rank(a) < rank(b);
        return a.mountPoint < b.mountPoint;
    });

    QList<Drive> drives;
    for (const MountEntry &mount : picked)
        drives.append({mount.mountPoint, captionOf(mount)});
    return drives;
}

qsizetype driveIndexFor(const QString &folder, const QList<Drive> &drives)
{
    return holderIndex(QDir::cleanPath(folder), drives);
}

QList<MountEntry> mountedFileSystems()
{
    QList<MountEntry> mounts;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        mounts.append({QDir::cleanPath(volume.rootPath()), QString::fromUtf8(volume.fileSystemType()),
                       volume.name()});
    }
    // Qt leaves the root out when it cannot describe it; it is always a drive.
    const bool hasRoot = std::any_of(mounts.cbegin(), mounts.cend(), [](const MountEntry &m) {
        return m.mountPoint == QDir::rootPath();
    });
    if (!hasRoot)
        mounts.prepend({QDir::rootPath(), {}, {}});
    return mounts;
}

} // namespace tavik
