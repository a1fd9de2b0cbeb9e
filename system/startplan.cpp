#include "system/startplan.h"

#include "system/argumentsplitter.h"
#include "system/filenames.h"
#include "system/folderreading.h"
#include "system/programlookup.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>

namespace tavik {
namespace {

// The folders searched, one a line; a long PATH is cut after the first few,
// so that the message still fits the screen.
QString foldersText(const QStringList &folders)
{
    constexpr qsizetype shown = 8;
    QStringList lines;
    for (const QString &folder : folders.first(std::min(shown, folders.size())))
        lines.append(QStringLiteral("  ") + displayedPath(folder));
    if (folders.size() > shown)
        lines.append(QStringLiteral("  and %1 more").arg(folders.size() - shown));
    return lines.join(QLatin1Char('\n'));
}

ProcessPlan refused(const QString &reason) { return {{}, {}, {}, Outcome::failed(reason)}; }

} // namespace

QString displayedPath(const QString &path) { return QDir::toNativeSeparators(fileNameForDisplay(path)); }

StartEnvironment StartEnvironment::current()
{
    return {QCoreApplication::instance() ? launcherFolderPath() : QString(), workingFolderPath(),
            fileNameFromBytes(qgetenv("PATH"))};
}

QStringList emulatorArguments(const EmulatorCommand &command)
{
    QStringList arguments = splitWindowsArguments(command.switches);
    if (!command.rom.isEmpty())
        arguments.append(command.rom);
    return arguments;
}

ProcessPlan planEmulatorStart(const EmulatorCommand &command, const StartEnvironment &environment)
{
    const QString &name = command.program;
    const QStringList arguments = emulatorArguments(command);
    const QStringList folders = programSearchFolders(environment.launcherFolder,
                                                     environment.workingFolder,
                                                     environment.pathVariable);
    const QString program = findProgram(name, folders);
    if (program.isEmpty()) {
        // An entry of that name that can never run is what the user needs to
        // hear about first; the folders searched follow either way.
        const QStringList nonPrograms = nonProgramEntries(name, folders);
        if (!nonPrograms.isEmpty()) {
            return refused(QStringLiteral("%1\nNo program %2 was found. It was looked for in:\n%3")
                               .arg(nonPrograms.join(QLatin1Char('\n')), name, foldersText(folders)));
        }
        return refused(QStringLiteral("The emulator %1 could not be found. It was looked for in:\n%2")
                           .arg(name, foldersText(folders)));
    }

    if (isWindowsExecutable(program)) {
        const QString wine = findProgram(QStringLiteral("wine"), programSearchFolders({}, {}, environment.pathVariable));
        if (wine.isEmpty()) {
            return refused(QStringLiteral("%1 is a Windows program, and wine, which is needed to run it, was not "
                                          "found on PATH.")
                               .arg(displayedPath(program)));
        }
        return {wine, QStringList{program} + arguments, program, {}};
    }

    if (!isExecutableFile(program))
        return refused(QStringLiteral("%1 was found but is not executable.").arg(displayedPath(program)));
    return {program, arguments, program, {}};
}

} // namespace tavik
