#include "system/emulatorstart.h"

#include "system/argumentsplitter.h"
#include "system/filenames.h"
#include "system/folderreading.h"
#include "system/programlookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace tavik {
namespace {

// The ends of the started emulators are collected by one thread for all of
// them. Each emulator is watched through a process file descriptor in one
// epoll set; the thread wakes when one has ended and collects it at once, so
// no zombie stays behind. The thread costs nothing while it waits and goes
// with the launcher, which leaves the emulators running.
class EndCollector {
public:
    // Watches `child` until its end; 0, or the errno of what failed.
    int watch(pid_t child)
    {
        const int watchSet = readyWatchSet();
        if (watchSet < 0)
            return -watchSet;
        // Through syscall(): Debian 12's C library declares pidfd_open without C linkage.
        const int processFd = int(::syscall(SYS_pidfd_open, child, 0));
        if (processFd < 0)
            return errno;
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = (std::uint64_t(std::uint32_t(child)) << 32) | std::uint32_t(processFd);
        if (::epoll_ctl(watchSet, EPOLL_CTL_ADD, processFd, &event) != 0) {
            const int error = errno;
            ::close(processFd);
            return error;
        }
        return 0;
    }

private:
    // The epoll set of this process's collecting thread, started on first use
    // (and again in a forked copy of the launcher, which has no thread of the
    // original's); the negative errno when none can be had.
    int readyWatchSet()
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        if (m_watchSet >= 0 && m_owner == ::getpid())
            return m_watchSet;
        const int watchSet = ::epoll_create1(EPOLL_CLOEXEC);
        if (watchSet < 0)
            return -errno;
        try {
            std::thread(collectEnded, watchSet).detach();
        } catch (const std::system_error &failure) {
            ::close(watchSet);
            return -failure.code().value();
        }
        m_watchSet = watchSet;
        m_owner = ::getpid();
        return watchSet;
    }

    [[noreturn]] static void collectEnded(int watchSet)
    {
        epoll_event ended[8];
        for (;;) {
            // Fails only when interrupted: then it waits again.
            const int count = ::epoll_wait(watchSet, ended, int(std::size(ended)), -1);
            for (int i = 0; i < count; ++i) {
                const auto child = pid_t(ended[i].data.u64 >> 32);
                const auto processFd = int(ended[i].data.u64 & 0xffffffffU);
                // Out of the set first: a process started meanwhile may
                // still hold a copy of the descriptor, which would keep it in
                // the set after the close, to come back under a number that
                // may then be another emulator's.
                ::epoll_ctl(watchSet, EPOLL_CTL_DEL, processFd, nullptr);
                while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
                }
                ::close(processFd);
            }
        }
    }

    std::mutex m_lock;
    int m_watchSet = -1;
    pid_t m_owner = 0;
};

EndCollector endCollector;

// Starts `program` as an independent process: in its own session (so that
// neither the launcher's end nor its terminal's signals reach it), reading
// /dev/null, with default signal handling and in `folder`. posix_spawn does
// not copy the launcher's memory, as a fork would, which makes the start
// several times faster. Every step is checked; returns 0 or the errno of the
// first that failed (the folder and the exec itself included). A started
// program is always watched to its end: when it cannot be, it is stopped
// again and the reason returned.
int spawnDetached(const QString &program, const QStringList &arguments, const QString &folder)
{
    // Byte for byte: a name that is not UTF-8 reaches the program unchanged,
    // and a text that stands for no bytes starts nothing.
    bool whole = true;
    const QByteArray path = fileNameToBytes(program, &whole);
    const QByteArray runFolder = fileNameToBytes(folder, &whole);
    std::vector<QByteArray> encoded;
    encoded.reserve(std::size_t(arguments.size()));
    for (const QString &argument : arguments)
        encoded.push_back(fileNameToBytes(argument, &whole));
    if (!whole)
        return EILSEQ;
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(path.constData()));
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (const int error = ::posix_spawn_file_actions_init(&actions))
        return error;
    const auto dropActions = qScopeGuard([&] { ::posix_spawn_file_actions_destroy(&actions); });
    posix_spawnattr_t attributes;
    if (const int error = ::posix_spawnattr_init(&attributes))
        return error;
    const auto dropAttributes = qScopeGuard([&] { ::posix_spawnattr_destroy(&attributes); });
    sigset_t none, all;
    if (::sigemptyset(&none) != 0 || ::sigfillset(&all) != 0)
        return errno;
    const int steps[] = {
        ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0),
        ::posix_spawn_file_actions_addchdir_np(&actions, runFolder.constData()),
        ::posix_spawnattr_setsigmask(&attributes, &none),
        ::posix_spawnattr_setsigdefault(&attributes, &all),
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
    };
    for (const int error : steps) {
        if (error != 0)
            return error;
    }
    pid_t child = 0;
    if (const int error = ::posix_spawn(&child, path.constData(), &actions, &attributes, argv.data(), environ))
        return error;
    if (const int error = endCollector.watch(child)) {
        ::kill(child, SIGKILL);
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        return error;
    }
    return 0;
}

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

QString StartEmulator(const EmulatorCommand &command, const QString &runFolder,
                      const StartEnvironment &environment)
{
    const ProcessPlan plan = planEmulatorStart(command, environment);
    if (!plan.problem.isEmpty())
        return plan.problem;
    const QString folder = runFolder.isEmpty() ? environment.workingFolder : runFolder;
    if (folder.isEmpty())
        return QStringLiteral("The working folder, where the emulator is to run, no longer exists.");
    if (!isFolder(folder)) {
        return QStringLiteral("The folder %1, where the emulator is to run, no longer exists.")
            .arg(QDir::toNativeSeparators(folder));
    }
    // A folder that can be listed but not entered would otherwise fail inside
    // the process start, with a reason that names no folder.
    if (::faccessat(AT_FDCWD, fileNameToBytes(folder).constData(), X_OK, AT_EACCESS) != 0) {
        return QStringLiteral("The folder %1, where the emulator is to run, cannot be entered: %2.")
            .arg(QDir::toNativeSeparators(folder), qt_error_string(errno));
    }
    if (const int error = spawnDetached(plan.program, plan.arguments, folder)) {
        return QStringLiteral("The system refused to start %1: %2")
            .arg(QDir::toNativeSeparators(plan.program), qt_error_string(error));
    }
    return {};
}

} // namespace tavik
