#include "system/emulatorstart.h"

#include "system/argumentsplitter.h"
#include "system/folderreading.h"
#include "system/programlookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;
#endif

namespace tavik {
namespace {

// The program word ends at the first blank or tab; the composer never quotes it.
qsizetype programWordEnd(const QString &commandLine)
{
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        if (commandLine[i] == QLatin1Char(' ') || commandLine[i] == QLatin1Char('\t'))
            return i;
    }
    return commandLine.size();
}

#ifdef Q_OS_UNIX
// Starts `program` as an independent process: in its own session (so that
// neither the launcher's end nor its terminal's signals reach it), reading
// /dev/null, with default signal handling and in `folder`. posix_spawn does
// not copy the launcher's memory, as a fork would, which makes the start
// several times faster. The launcher is its parent, so a thread of its own
// waits for its end and no zombie remains; the thread costs nothing while it
// waits and goes with the launcher, which leaves the emulator running.
// Returns 0 or the errno of what failed (the folder, or the exec itself).
int spawnDetached(const QString &program, const QStringList &arguments, const QString &folder)
{
    const QByteArray path = QFile::encodeName(program);
    const QByteArray runFolder = QFile::encodeName(folder);
    std::vector<QByteArray> encoded;
    encoded.reserve(std::size_t(arguments.size()));
    for (const QString &argument : arguments)
        encoded.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(path.constData()));
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawnattr_init(&attributes);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addchdir_np(&actions, runFolder.constData());
    sigset_t none, all;
    ::sigemptyset(&none);
    ::sigfillset(&all);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &all);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t child = 0;
    const int error = ::posix_spawn(&child, path.constData(), &actions, &attributes, argv.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return error;
    try {
        std::thread([child] {
            while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error &) {
        // No thread to be had: the emulator runs all the same, and its exit
        // status waits for the launcher's end.
    }
    return 0;
}
#endif

QString foldersText(const QStringList &folders)
{
    QStringList lines;
    for (const QString &folder : folders)
        lines.append(QStringLiteral("  ") + QDir::toNativeSeparators(folder));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

StartEnvironment StartEnvironment::current()
{
    return {QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString(),
            workingFolderPath(), qEnvironmentVariable("PATH")};
}

QStringList emulatorArguments(const QString &commandLine, const QString &romPath)
{
    const qsizetype switchesStart = programWordEnd(commandLine);
    const bool romAtEnd = commandLine.endsWith(romPath)
                          && commandLine.size() - romPath.size() >= switchesStart;
    const qsizetype switchesEnd = romAtEnd ? commandLine.size() - romPath.size() : commandLine.size();
    QStringList arguments = splitWindowsArguments(
        QStringView(commandLine).mid(switchesStart, switchesEnd - switchesStart));
    if (romAtEnd && !romPath.isEmpty())
        arguments.append(romPath);
    return arguments;
}

ProcessPlan planEmulatorStart(const QString &commandLine, const QString &romPath,
                              const StartEnvironment &environment)
{
    const QString name = commandLine.left(programWordEnd(commandLine));
    const QStringList arguments = emulatorArguments(commandLine, romPath);
    const QStringList folders = programSearchFolders(environment.launcherFolder,
                                                     environment.workingFolder,
                                                     environment.pathVariable);
    const QString program = findProgram(name, folders);
    if (program.isEmpty()) {
        // An entry of that name that can never run is what the user needs to
        // hear about first; the folders searched follow either way.
        const QStringList nonPrograms = nonProgramEntries(name, folders);
        if (!nonPrograms.isEmpty()) {
            return {{}, {}, QStringLiteral("%1\nNo program %2 was found. It was looked for in:\n%3")
                                .arg(nonPrograms.join(QLatin1Char('\n')), name, foldersText(folders))};
        }
        return {{}, {}, QStringLiteral("The emulator %1 could not be found. It was looked for in:\n%2")
                            .arg(name, foldersText(folders))};
    }

    if (isWindowsExecutable(program)) {
        const QStringList pathFolders =
            programSearchFolders({}, {}, environment.pathVariable);
        const QString wine = findProgram(QStringLiteral("wine"), pathFolders);
        if (wine.isEmpty()) {
            return {{}, {}, QStringLiteral("%1 is a Windows program, and wine, which is needed to "
                                           "run it, was not found on PATH.")
                                .arg(QDir::toNativeSeparators(program))};
        }
        return {wine, QStringList{program} + arguments, {}};
    }

    if (!QFileInfo(program).isExecutable()) {
        return {{}, {}, QStringLiteral("%1 was found but is not executable.")
                            .arg(QDir::toNativeSeparators(program))};
    }
    return {program, arguments, {}};
}

QString StartEmulator(const QString &commandLine, const QString &romPath, const QString &romFolder,
                      const StartEnvironment &environment)
{
    const ProcessPlan plan = planEmulatorStart(commandLine, romPath, environment);
    if (!plan.problem.isEmpty())
        return plan.problem;
    const QString runFolder = romFolder.isEmpty() ? environment.workingFolder : romFolder;
    if (runFolder.isEmpty())
        return QStringLiteral("The working folder, where the emulator is to run, no longer exists.");
    if (!QFileInfo(runFolder).isDir()) {
        return QStringLiteral("The folder %1, where the emulator is to run, no longer exists.")
            .arg(QDir::toNativeSeparators(runFolder));
    }
#ifdef Q_OS_UNIX
    // A folder that can be listed but not entered would otherwise fail inside
    // the process start, with a reason that names no folder.
    if (::faccessat(AT_FDCWD, QFile::encodeName(runFolder).constData(), X_OK, AT_EACCESS) != 0) {
        return QStringLiteral("The folder %1, where the emulator is to run, cannot be entered: %2.")
            .arg(QDir::toNativeSeparators(runFolder), qt_error_string(errno));
    }
#endif

#ifdef Q_OS_UNIX
    const int error = spawnDetached(plan.program, plan.arguments, runFolder);
    if (error != 0) {
        return QStringLiteral("The system refused to start %1: %2")
            .arg(QDir::toNativeSeparators(plan.program), qt_error_string(error));
    }
#else
    QProcess process;
    process.setProgram(plan.program);
    process.setArguments(plan.arguments);
    process.setWorkingDirectory(runFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        return QStringLiteral("The system refused to start %1: %2")
            .arg(QDir::toNativeSeparators(plan.program), process.errorString());
    }
#endif
    return {};
}

} // namespace tavik
