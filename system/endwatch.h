// Watching started emulators to their ends.
#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace tavik {

// An emulator that ends within this time of its start, with an error status or
// by a signal, did not get going (wine that cannot run it, a ROM it refuses):
// its end is reported, with the last lines it wrote to its error output.
inline constexpr std::chrono::seconds earlyEndWindow{5};

// Once an emulator has ended, its last words are waited for at most this long:
// a process it started may hold its error output open after it.
inline constexpr std::chrono::milliseconds lastWordsWait{1000};

// Receives that report, in plain words.
using EarlyEndReport = std::function<void(const QString &message)>;

// One thread for all the emulators a launcher starts: it collects each at its
// end, so that none is left a zombie, reads what each writes to its error
// output while an early end can still be reported (see errorcapture.h), and
// reports such an end. It waits on process descriptors and pipes and costs
// nothing while they are quiet; where the system gives no process descriptor
// (an old kernel, a sandbox, none left), it asks after that emulator
// every 20 ms in its first seconds and every second after.
//
// Reports are posted to the thread of `context`, which runs them from its
// event loop; the watch never waits for them. The thread belongs to the
// watch: its destruction wakes it and waits for it, which takes no longer
// than one pass of its loop, and the emulators run on. Nothing of the watch
// is touched after that, and `context` must outlive it.
class EndWatch {
public:
    explicit EndWatch(QObject *context = nullptr, EarlyEndReport report = {});
    ~EndWatch();
    EndWatch(const EndWatch &) = delete;
    EndWatch &operator=(const EndWatch &) = delete;

    // Watches `child`, started just now, to its end; `copy`, when not -1, is
    // the copy of its error output, which the watch reads and then closes.
    // A started emulator is never stopped for the sake of this bookkeeping:
    // at worst it stays uncollected.
    void watch(pid_t child, const QString &emulator, int copy);
    // Only collects `child` (the relay of an emulator's error output).
    void collect(pid_t child);

private:
    struct Watched;
    void add(std::unique_ptr<Watched> watched);
    void run();

    QObject *const m_context;
    const EarlyEndReport m_report;
    std::mutex m_lock;
    std::vector<std::unique_ptr<Watched>> m_arrived; // for the thread to take up
    bool m_ending = false;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
};

} // namespace tavik
