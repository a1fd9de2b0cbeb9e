// The drives the ROM chooser offers: the mounted file systems a user would
// pick from, not the system's pseudo file systems.
#pragma once

#include <QList>
#include <QString>

namespace tavik {

struct MountEntry {
    QString mountPoint;
    QString fileSystemType;
    QString label; // the volume's name; may be empty
};

struct Drive {
    QString mountPoint;
    QString caption; // what the drive list shows
};

// Picks the user's drives from the mount table: the root, the file system
// holding the home folder and the one holding `startFolder`, removable media
// and other mounts under /media, /run/media, /mnt or the home folder. Pseudo
// and memory file systems are left out unless they hold the home or start
// folder. The root comes first, then the home folder's drive, then the others
// by mount point. A mount point mounted over twice is offered once.
QList<Drive> chooseDrives(const QList<MountEntry> &mounts, const QString &homeFolder,
                          const QString &startFolder);

// The index of the drive holding `folder` (the longest mount point above it),
// or -1 when none does.
qsizetype driveIndexFor(const QString &folder, const QList<Drive> &drives);

// This machine's mount table.
QList<MountEntry> mountedFileSystems();

} // namespace tavik
