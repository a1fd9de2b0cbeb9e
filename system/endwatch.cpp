#include "system/endwatch.h"

#include "system/errorcapture.h"
#include "system/startdiagnosis.h"

#include <QStringList>

#include <array>
#include <cerrno>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavik {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// While an emulator without a process descriptor may still end early, and after.
constexpr milliseconds askedEarly{20};
constexpr milliseconds askedLater{1000};
// How often the thread looks for new work and its own end when it has no
// pipe to be woken through.
constexpr milliseconds unwokenTick{100};

void closeIfOpen(int &descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

// Collects `child` if it has ended, retrying when a signal interrupts the
// wait: its status, or -1 when it cannot be had; nothing while it still runs.
std::optional<int> collected(pid_t child)
{
    int status = 0;
    for (;;) {
        const pid_t got = ::waitpid(child, &status, WNOHANG);
        if (got == child)
            return status;
        if (got == 0)
            return std::nullopt;
        if (errno != EINTR)
            return -1;
    }
}

} // namespace

struct EndWatch::Watched {
    pid_t child = 0;
    QString emulator; // empty for a process that is only collected
    int processFd = -1;
    int copy = -1;
    LastWords words;
    Clock::time_point started = Clock::now();
    std::optional<int> status; // once collected; -1 when it could not be
    int waitError = 0;
    Clock::time_point ended;

    ~Watched()
    {
        closeIfOpen(processFd);
        closeIfOpen(copy);
    }

    // The copy is read until the early-end window closes; after an end,
    // until its last words are in.
    Clock::time_point copyDeadline() const { return status ? ended + lastWordsWait : started + earlyEndWindow; }

    bool endedEarly() const
    {
        const bool failed = WIFSIGNALED(*status) || (WIFEXITED(*status) && WEXITSTATUS(*status) != 0);
        return *status != -1 && failed && ended - started < earlyEndWindow;
    }

    // Takes what the copy holds now, one read at a time, so that an emulator
    // that writes without pause cannot keep the thread from its others.
    void readCopy(std::array<char, 65536> &buffer)
    {
        for (;;) {
            const ssize_t got = ::read(copy, buffer.data(), buffer.size());
            if (got > 0) {
                words.append(QByteArrayView(buffer.data(), got));
                return;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got == 0 || errno != EAGAIN)
                closeIfOpen(copy);
            return;
        }
    }

    // Logs the end, and gives the report of an early one.
    std::optional<QString> judged() const
    {
        const long long lived = std::chrono::duration_cast<milliseconds>(ended - started).count();
        const char *what = emulator.isEmpty() ? "the relay of an emulator's error output" : "emulator";
        if (*status == -1) {
            qCWarning(startLog, "%s %d could not be collected: %s", what, int(child),
                      qPrintable(qt_error_string(waitError)));
            return std::nullopt;
        }
        if (emulator.isEmpty() || !endedEarly()) {
            qCInfo(startLog, "%s %d %s after %lld ms", what, int(child), qPrintable(howItEnded(*status)), lived);
            return std::nullopt;
        }
        qCWarning(startLog, "emulator %d %s after %lld ms; it last wrote: %s", int(child),
                  qPrintable(howItEnded(*status)), lived, qPrintable(quotedLastLines(words).join(QStringLiteral(" | "))));
        return earlyEndMessage(emulator, *status, words);
    }
};

EndWatch::EndWatch(QObject *context, EarlyEndReport report) : m_context(context), m_report(std::move(report)) {}

EndWatch::~EndWatch()
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_ending = true;
    }
    if (m_wake[1] >= 0) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(m_wake[1], &wake, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    closeIfOpen(m_wake[0]);
    closeIfOpen(m_wake[1]);
}

void EndWatch::watch(pid_t child, const QString &emulator, int copy)
{
    auto watched = std::make_unique<Watched>();
    watched->child = child;
    watched->emulator = emulator;
    watched->copy = copy;
    // Through syscall(): Debian 12's C library declares pidfd_open without C linkage.
    watched->processFd = int(::syscall(SYS_pidfd_open, child, 0));
    if (watched->processFd < 0) {
        qCInfo(startLog, "process %d is asked after every %lld ms: %s", int(child),
               static_cast<long long>(askedEarly.count()), qPrintable(qt_error_string(errno)));
    }
    add(std::move(watched));
}

void EndWatch::collect(pid_t child) { watch(child, {}, -1); }

void EndWatch::add(std::unique_ptr<Watched> watched)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (!m_thread.joinable()) {
        if (m_wake[0] < 0 && ::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
            m_wake[0] = m_wake[1] = -1;
            qCInfo(startLog, "the watch looks for work every %lld ms: %s",
                   static_cast<long long>(unwokenTick.count()), qPrintable(qt_error_string(errno)));
        }
        try {
            m_thread = std::thread(&EndWatch::run, this);
        } catch (const std::system_error &failure) {
            qCWarning(startLog, "process %d cannot be collected at its end: %s", int(watched->child), failure.what());
            return;
        }
    }
    m_arrived.push_back(std::move(watched));
    if (m_wake[1] >= 0) {
        const char wake = 1;
        // A full pipe has woken the thread already.
        [[maybe_unused]] const ssize_t ignored = ::write(m_wake[1], &wake, 1);
    }
}

void EndWatch::run()
{
    ::pthread_setname_np(::pthread_self(), "tavik watch");
    std::vector<std::unique_ptr<Watched>> watched;
    std::vector<pollfd> ready;
    std::array<char, 65536> buffer;
    for (;;) {
        {
            const std::lock_guard<std::mutex> hold(m_lock);
            if (m_ending)
                return;
            for (auto &arrived : m_arrived)
                watched.push_back(std::move(arrived));
            m_arrived.clear();
        }

        // What to wait for, and how long at most.
        const Clock::time_point now = Clock::now();
        std::optional<Clock::duration> wait;
        const auto atMost = [&wait](Clock::duration limit) {
            limit = std::max(limit, Clock::duration::zero());
            if (!wait || limit < *wait)
                wait = limit;
        };
        ready.assign(1, pollfd{m_wake[0], POLLIN, 0});
        for (const auto &one : watched) {
            ready.push_back({one->status ? -1 : one->processFd, POLLIN, 0});
            ready.push_back({one->copy, POLLIN, 0});
            if (one->copy >= 0)
                atMost(one->copyDeadline() - now);
            if (!one->status && one->processFd < 0)
                atMost(now - one->started < earlyEndWindow ? askedEarly : askedLater);
        }
        if (m_wake[0] < 0)
            atMost(unwokenTick);
        // Interrupted by a signal, it returns early, and the loop looks again.
        ::poll(ready.data(), ready.size(),
               wait ? int(std::chrono::ceil<milliseconds>(*wait).count()) : -1);
        if (ready[0].revents) {
            while (::read(m_wake[0], buffer.data(), buffer.size()) > 0) {
            }
        }

        const Clock::time_point after = Clock::now();
        for (std::size_t i = 0; i < watched.size(); ++i) {
            Watched &one = *watched[i];
            if (ready[2 * i + 2].revents)
                one.readCopy(buffer);
            if (!one.status && (one.processFd < 0 || ready[2 * i + 1].revents)) {
                if (const std::optional<int> status = collected(one.child)) {
                    one.status = status;
                    one.waitError = *status == -1 ? errno : 0;
                    one.ended = after;
                    closeIfOpen(one.processFd);
                    if (!one.endedEarly() || one.emulator.isEmpty())
                        closeIfOpen(one.copy);
                }
            }
            if (one.copy >= 0 && after >= one.copyDeadline()) {
                closeIfOpen(one.copy);
                if (!one.status)
                    one.words = {}; // the window is over: nothing is kept of it
            }
        }

        QStringList reports;
        for (auto it = watched.begin(); it != watched.end();) {
            if (!(*it)->status || (*it)->copy >= 0) {
                ++it;
                continue;
            }
            if (const std::optional<QString> report = (*it)->judged())
                reports.append(*report);
            it = watched.erase(it);
        }
        if (m_context && m_report) {
            for (const QString &report : std::as_const(reports)) {
                QMetaObject::invokeMethod(
                    m_context, [tell = m_report, report] { tell(report); }, Qt::QueuedConnection);
            }
        }
    }
}

} // namespace tavik
