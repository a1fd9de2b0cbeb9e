// Finding a program named without a folder, the way the launcher's platform
// looks up any such program.
#pragma once

#include <QString>
#include <QStringList>

namespace tavik {

// The folders searched, in order: the launcher's own folder, the working
// folder, then each folder of the PATH text (empty entries skipped). A folder
// that comes again, under the same or another name (a trailing slash, a link),
// is searched only where it first comes.
QStringList programSearchFolders(const QString &launcherFolder, const QString &workingFolder,
                                 const QString &pathVariable);

// The first regular file (a link to one counts) called `name` in `folders`,
// as an absolute path, or the empty text when there is none.
QString findProgram(const QString &name, const QStringList &folders);

// One line for each entry called `name` in `folders` that stands where a
// program is looked for but can never be run: a folder, a link to nothing, a
// named pipe, a socket or a device.
// Each names the entry's path; empty when there is no such entry.
QStringList nonProgramEntries(const QString &name, const QStringList &folders);

// True when the file begins with "MZ", the mark of a Windows executable.
bool isWindowsExecutable(const QString &filePath);

// True when the launcher may run the file.
bool isExecutableFile(const QString &filePath);

// The folder that holds the running launcher, its name's bytes kept.
QString launcherFolderPath();

} // namespace tavik
