#include "system/emulatorstart.h"

#include "system/argumentsplitter.h"
#include "system/filenames.h"
#include "system/folderreading.h"
#include "system/programlookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace tavik {
namespace {

Q_LOGGING_CATEGORY(startLog, "tavik.start", QtWarningMsg)

using Clock = std::chrono::steady_clock;

// A path as messages show it.
QString displayed(const QString &path) { return QDir::toNativeSeparators(fileNameForDisplay(path)); }

// What an emulator wrote to its error output goes to a file in memory of a
// fixed size, so that an early end can be explained in its own words. Beyond
// that size its writes are refused: hours of play cannot grow it, and neither
// a full pipe nor a vanished reader can stall or kill the emulator.
constexpr off_t errorOutputLimit = 256 * 1024;

// The lines of an early end's report, each cut to a readable length.
constexpr int reportedLines = 6;
constexpr int reportedLineLength = 300;

// Collects `child` with waitpid's `options`, retrying when a signal
// interrupts the wait: its status, or -1 when it cannot be had; nothing while
// it still runs (with WNOHANG).
std::optional<int> collect(pid_t child, int options = 0)
{
    int status = 0;
    for (;;) {
        const pid_t got = ::waitpid(child, &status, options);
        if (got == child)
            return status;
        if (got == 0)
            return std::nullopt;
        if (errno != EINTR)
            return -1;
    }
}

// An in-memory file of errorOutputLimit bytes for an emulator's error output;
// -1 when none can be had, and the emulator writes where the launcher does.
int makeErrorOutput()
{
    const int file = ::memfd_create("emulator-errors", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (file < 0) {
        qCInfo(startLog, "the emulator's error output is not kept: %s", qPrintable(qt_error_string(errno)));
        return -1;
    }
    if (::ftruncate(file, errorOutputLimit) != 0
        || ::fcntl(file, F_ADD_SEALS, F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL) != 0) {
        qCInfo(startLog, "the emulator's error output is not kept: %s", qPrintable(qt_error_string(errno)));
        ::close(file);
        return -1;
    }
    return file;
}

// The last lines written to `errorOutput`. The emulator's standard error
// shares the file's position with the launcher's descriptor, so the position
// is how much was written.
QStringList lastLines(int errorOutput)
{
    const off_t written = ::lseek(errorOutput, 0, SEEK_CUR);
    if (written <= 0)
        return {};
    const off_t end = std::min(written, errorOutputLimit);
    const off_t from = std::max<off_t>(0, end - 8192);
    QByteArray tail(qsizetype(end - from), Qt::Uninitialized);
    const ssize_t got = ::pread(errorOutput, tail.data(), std::size_t(tail.size()), from);
    tail.truncate(got > 0 ? qsizetype(got) : 0);
    QStringList lines;
    const QList<QByteArray> pieces = tail.split('\n');
    // A first piece read from the middle of the output may be part of a line.
    for (qsizetype i = pieces.size() - 1; i >= (from > 0 ? 1 : 0) && lines.size() < reportedLines; --i) {
        const QString line = QString::fromLocal8Bit(pieces[i]).trimmed();
        if (!line.isEmpty())
            lines.prepend(line.size() > reportedLineLength ? line.left(reportedLineLength) + QStringLiteral("...")
                                                           : line);
    }
    return lines;
}

QString howItEnded(int status)
{
    if (WIFSIGNALED(status)) {
        const int number = WTERMSIG(status);
        const char *name = ::sigabbrev_np(number);
        return QStringLiteral("was ended by the signal %1 (%2)")
            .arg(name ? QStringLiteral("SIG") + QString::fromLatin1(name) : QString::number(number),
                 QString::fromLocal8Bit(::strsignal(number)));
    }
    return QStringLiteral("ended with exit code %1").arg(WEXITSTATUS(status));
}

// One started emulator, as watched to its end.
struct Watched {
    QString emulator;     // the program named in a report
    Clock::time_point started;
    int errorOutput = -1; // kept while an early end can still be reported
    EarlyEndReport report;

    void dropErrorOutput()
    {
        if (errorOutput >= 0)
            ::close(errorOutput);
        errorOutput = -1;
    }

    // Called once `child` has been collected with `status`.
    void ended(pid_t child, int status)
    {
        const auto lived = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
        if (status == -1) {
            qCWarning(startLog, "emulator %d could not be collected: %s", int(child), qPrintable(qt_error_string(errno)));
            dropErrorOutput();
            return;
        }
        const bool failed = WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
        if (!failed || lived >= earlyEndWindow) {
            qCInfo(startLog, "emulator %d %s after %lld ms", int(child), qPrintable(howItEnded(status)),
                   static_cast<long long>(lived.count()));
            dropErrorOutput();
            return;
        }
        const QStringList words = errorOutput >= 0 ? lastLines(errorOutput) : QStringList();
        dropErrorOutput();
        qCWarning(startLog, "emulator %d %s after %lld ms; it last wrote: %s", int(child),
                  qPrintable(howItEnded(status)), static_cast<long long>(lived.count()),
                  qPrintable(words.join(QStringLiteral(" | "))));
        QString message = QStringLiteral("The emulator %1 %2 as soon as it started.")
                              .arg(displayed(emulator), howItEnded(status));
        if (!words.isEmpty())
            message += QStringLiteral("\n\nIt last wrote:\n") + words.join(QLatin1Char('\n'));
        if (report)
            report(message);
    }
};

// The ends of the started emulators are collected by one thread for all of
// them. Each emulator is watched through a process file descriptor in one
// epoll set; the thread wakes when one has ended and collects it at once, so
// no zombie stays behind, and lets go of each one's error output once an
// early end can no longer be reported. It costs nothing while it waits and
// goes with the launcher, which leaves the emulators running. Where process
// descriptors or epoll are not to be had (an old kernel, a sandbox), each
// emulator gets a waiting thread of its own instead.
class EndCollector {
public:
    // Watches `child` to its end. A started emulator is never stopped for
    // the sake of this bookkeeping: at worst it stays uncollected.
    void watch(pid_t child, Watched watched)
    {
        const int problem = watchInSet(child, watched);
        if (problem == 0)
            return;
        qCInfo(startLog, "emulator %d is watched by a thread of its own: %s", int(child),
               qPrintable(qt_error_string(problem)));
        try {
            std::thread(waitAlone, child, std::move(watched)).detach();
        } catch (const std::system_error &failure) {
            qCWarning(startLog, "emulator %d cannot be collected at its end: %s", int(child), failure.what());
            watched.dropErrorOutput();
        }
    }

private:
    // 0 once `child` is in the watch set, otherwise the errno of what failed.
    int watchInSet(pid_t child, Watched &watched)
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
        const std::lock_guard<std::mutex> hold(m_lock);
        if (::epoll_ctl(watchSet, EPOLL_CTL_ADD, processFd, &event) != 0) {
            const int error = errno;
            ::close(processFd);
            return error;
        }
        m_watched[child] = std::move(watched);
        ::eventfd_write(m_wake, 1); // the thread's next wait counts this one's window
        return 0;
    }

    // The epoll set of the collecting thread, started on first use; the
    // negative errno when none can be had.
    int readyWatchSet()
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        if (m_watchSet >= 0)
            return m_watchSet;
        const int watchSet = ::epoll_create1(EPOLL_CLOEXEC);
        if (watchSet < 0)
            return -errno;
        const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = 0;
        if (wake < 0 || ::epoll_ctl(watchSet, EPOLL_CTL_ADD, wake, &event) != 0) {
            const int error = errno;
            if (wake >= 0)
                ::close(wake);
            ::close(watchSet);
            return -error;
        }
        try {
            std::thread(&EndCollector::collectEnded, this, watchSet).detach();
        } catch (const std::system_error &failure) {
            ::close(wake);
            ::close(watchSet);
            return -failure.code().value();
        }
        m_watchSet = watchSet;
        m_wake = wake;
        return watchSet;
    }

    [[noreturn]] void collectEnded(int watchSet)
    {
        epoll_event ended[8];
        for (;;) {
            // Fails only when interrupted: then it waits again.
            const int count = ::epoll_wait(watchSet, ended, int(std::size(ended)), nextWindowEnd());
            for (int i = 0; i < count; ++i) {
                if (ended[i].data.u64 == 0) {
                    eventfd_t ignored;
                    ::eventfd_read(m_wake, &ignored);
                    continue;
                }
                const auto child = pid_t(ended[i].data.u64 >> 32);
                const auto processFd = int(ended[i].data.u64 & 0xffffffffU);
                // Out of the set first: a process started meanwhile may
                // still hold a copy of the descriptor, which would keep it in
                // the set after the close, to come back under a number that
                // may then be another emulator's.
                ::epoll_ctl(watchSet, EPOLL_CTL_DEL, processFd, nullptr);
                const int status = *collect(child);
                ::close(processFd);
                Watched watched;
                {
                    const std::lock_guard<std::mutex> hold(m_lock);
                    const auto found = m_watched.find(child);
                    if (found == m_watched.end())
                        continue;
                    watched = std::move(found->second);
                    m_watched.erase(found);
                }
                watched.ended(child, status);
            }
        }
    }

    // Milliseconds until the first kept error output may be let go (letting
    // go of those whose time is over), or -1 when none is kept.
    int nextWindowEnd()
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        const Clock::time_point now = Clock::now();
        std::optional<Clock::duration> first;
        for (auto &[child, watched] : m_watched) {
            if (watched.errorOutput < 0)
                continue;
            const Clock::duration left = watched.started + earlyEndWindow - now;
            if (left <= Clock::duration::zero())
                watched.dropErrorOutput();
            else if (!first || left < *first)
                first = left;
        }
        if (!first)
            return -1;
        return int(std::chrono::ceil<std::chrono::milliseconds>(*first).count());
    }

    // Waits for one emulator alone, when it cannot be watched in the set.
    static void waitAlone(pid_t child, Watched watched)
    {
        // While an early end can still be reported, its error output is kept;
        // then the wait blocks until the end.
        while (watched.errorOutput >= 0 && Clock::now() - watched.started < earlyEndWindow) {
            if (const std::optional<int> status = collect(child, WNOHANG)) {
                watched.ended(child, *status);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        watched.dropErrorOutput();
        watched.ended(child, *collect(child));
    }

    std::mutex m_lock;
    int m_watchSet = -1;
    int m_wake = -1;
    std::map<pid_t, Watched> m_watched;
};

EndCollector endCollector;

// Starts `program` as an independent process: in its own session (so that
// neither the launcher's end nor its terminal's signals reach it), reading
// /dev/null, writing its errors to `errorOutput` (when not -1), with default
// signal handling and in `folder`. posix_spawn does not copy the launcher's
// memory, as a fork would, which makes the start several times faster. Every
// step is checked; returns 0 or the errno of the first that failed (the folder
// and the exec itself included), and the process number in `child`.
int spawnDetached(const QString &program, const QStringList &arguments, const QString &folder, int errorOutput,
                  pid_t &child)
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
        errorOutput >= 0 ? ::posix_spawn_file_actions_adddup2(&actions, errorOutput, STDERR_FILENO) : 0,
        ::posix_spawn_file_actions_addchdir_np(&actions, runFolder.constData()),
        ::posix_spawnattr_setsigmask(&attributes, &none),
        ::posix_spawnattr_setsigdefault(&attributes, &all),
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
    };
    for (const int error : steps) {
        if (error != 0)
            return error;
    }
    return ::posix_spawn(&child, path.constData(), &actions, &attributes, argv.data(), environ);
}

// The folders searched, one a line; a long PATH is cut after the first few,
// so that the message still fits the screen.
QString foldersText(const QStringList &folders)
{
    constexpr qsizetype shown = 8;
    QStringList lines;
    for (const QString &folder : folders.first(std::min(shown, folders.size())))
        lines.append(QStringLiteral("  ") + displayed(folder));
    if (folders.size() > shown)
        lines.append(QStringLiteral("  and %1 more").arg(folders.size() - shown));
    return lines.join(QLatin1Char('\n'));
}

// A text of a file as the user should see it: control characters, such as the
// carriage return a script saved with Windows line ends carries, spelt out.
QString visible(const QByteArray &text)
{
    QString shown;
    for (const QChar c : QString::fromLocal8Bit(text)) {
        if (c == u'\r')
            shown += QStringLiteral("\\r");
        else if (c == u'\t')
            shown += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

// The interpreter a script names on its first line ("#!"), or nothing when
// `program` is no script.
std::optional<QByteArray> scriptInterpreter(const QString &program)
{
    const int file = ::open(fileNameToBytes(program).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0)
        return std::nullopt;
    QByteArray head(256, Qt::Uninitialized);
    const ssize_t got = ::read(file, head.data(), std::size_t(head.size()));
    ::close(file);
    head.truncate(got > 0 ? qsizetype(got) : 0);
    if (!head.startsWith("#!"))
        return std::nullopt;
    QByteArray line = head.mid(2, head.indexOf('\n') < 0 ? -1 : head.indexOf('\n') - 2);
    // The system takes the interpreter up to the first blank or tab.
    qsizetype begin = 0;
    while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t'))
        ++begin;
    qsizetype end = begin;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t')
        ++end;
    return line.mid(begin, end - begin);
}

// Why the process start of `program` failed with `error`, in plain words.
QString spawnProblem(const QString &program, int error)
{
    const QString path = displayed(program);
    if (error == EILSEQ) {
        return QStringLiteral("%1 was not started: a name in its command cannot be passed on as it is.")
            .arg(fileNameForDisplay(path));
    }
    if (error == EMFILE || error == ENFILE) {
        return QStringLiteral("%1 could not be started: too many files are open (%2). Closing an emulator "
                              "that is still running may help.")
            .arg(path, qt_error_string(error));
    }
    if (error == ENOENT || error == EACCES || error == ENOEXEC) {
        if (const std::optional<QByteArray> interpreter = scriptInterpreter(program)) {
            if (interpreter->isEmpty())
                return QStringLiteral("%1 could not be started: its first line names no interpreter.").arg(path);
            return QStringLiteral("%1 could not be started: the interpreter its first line names, %2, %3.")
                .arg(path, visible(*interpreter),
                     error == ENOENT ? QStringLiteral("does not exist")
                                     : QStringLiteral("cannot be run (%1)").arg(qt_error_string(error)));
        }
        if (error == ENOENT && ::access(fileNameToBytes(program).constData(), F_OK) == 0) {
            return QStringLiteral("%1 could not be started: a file it needs in order to run, such as its loader, "
                                  "is missing (%2).")
                .arg(path, qt_error_string(error));
        }
    }
    return QStringLiteral("The system refused to start %1: %2").arg(path, qt_error_string(error));
}

} // namespace

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
            return {{}, {}, Outcome::failed(QStringLiteral("%1\nNo program %2 was found. It was looked for in:\n%3")
                                                .arg(nonPrograms.join(QLatin1Char('\n')), name, foldersText(folders)))};
        }
        return {{}, {}, Outcome::failed(QStringLiteral("The emulator %1 could not be found. It was looked for in:\n%2")
                                            .arg(name, foldersText(folders)))};
    }

    if (isWindowsExecutable(program)) {
        const QStringList pathFolders =
            programSearchFolders({}, {}, environment.pathVariable);
        const QString wine = findProgram(QStringLiteral("wine"), pathFolders);
        if (wine.isEmpty()) {
            return {{}, {}, Outcome::failed(QStringLiteral("%1 is a Windows program, and wine, which is needed to "
                                                           "run it, was not found on PATH.")
                                                .arg(displayed(program)))};
        }
        return {wine, QStringList{program} + arguments, {}};
    }

    if (!isExecutableFile(program))
        return {{}, {}, Outcome::failed(QStringLiteral("%1 was found but is not executable.").arg(displayed(program)))};
    return {program, arguments, {}};
}

Outcome StartEmulator(const EmulatorCommand &command, const QString &runFolder,
                      const StartEnvironment &environment, const EarlyEndReport &onEarlyEnd)
{
    const ProcessPlan plan = planEmulatorStart(command, environment);
    if (!plan.outcome.ok)
        return plan.outcome;
    const QString folder = runFolder.isEmpty() ? environment.workingFolder : runFolder;
    if (folder.isEmpty())
        return Outcome::failed(QStringLiteral("The working folder, where the emulator is to run, no longer exists."));
    if (!isFolder(folder)) {
        return Outcome::failed(QStringLiteral("The folder %1, where the emulator is to run, no longer exists.")
                                   .arg(displayed(folder)));
    }
    // A folder that can be listed but not entered would otherwise fail inside
    // the process start, with a reason that names no folder.
    if (::faccessat(AT_FDCWD, fileNameToBytes(folder).constData(), X_OK, AT_EACCESS) != 0) {
        return Outcome::failed(QStringLiteral("The folder %1, where the emulator is to run, cannot be entered: %2.")
                                   .arg(displayed(folder), qt_error_string(errno)));
    }
    Watched watched;
    // Through wine, the emulator is its first argument.
    watched.emulator = plan.arguments.isEmpty() || !isWindowsExecutable(plan.arguments.first())
                           ? plan.program
                           : plan.arguments.first();
    watched.errorOutput = makeErrorOutput();
    watched.report = onEarlyEnd;
    pid_t child = 0;
    if (const int error = spawnDetached(plan.program, plan.arguments, folder, watched.errorOutput, child)) {
        watched.dropErrorOutput();
        return Outcome::failed(spawnProblem(plan.program, error));
    }
    watched.started = Clock::now();
    endCollector.watch(child, std::move(watched));
    return Outcome::done();
}

} // namespace tavik
