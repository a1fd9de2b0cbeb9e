// The emulator's standard error, kept an ordinary stream for its whole life
// while the launcher hears what it says in its first seconds.
//
// The emulator writes into a pipe read by a relay, GNU tee, started beside it
// in a session of its own. The relay passes every byte on to where the
// launcher's own standard error goes (a terminal, the journal) and a copy to
// the launcher through a second pipe. The launcher reads its copy while an
// early end can still be reported and then closes it; the relay goes on
// without it (tee -p ignores SIGPIPE and a broken pipe), and with /dev/null as
// a third output it never runs out of outputs, so it reads the emulator's
// pipe to its end, whatever became of the launcher and its terminal. The
// emulator's writes are never refused, /dev/stderr opens as a pipe does, and
// nothing grows: the pipes hold what the kernel gives them, the launcher keeps
// a bounded tail.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <sys/types.h>

namespace tavik {

struct ErrorCapture {
    int emulatorEnd = -1; // the emulator's standard error; -1: the launcher's own
    int copy = -1;        // the launcher's end of the copy, non-blocking
    pid_t relay = 0;

    bool active() const { return relay > 0; }
};

// Starts the relay. When any part of it cannot be had, nothing is left open,
// the reason is logged, and the emulator writes where the launcher does.
ErrorCapture startErrorCapture();

// Closes the launcher's end of the emulator's pipe (the relay reads it to the
// end once the emulator has let go of it too), after the emulator's start.
void releaseEmulatorEnd(ErrorCapture &capture);

// The last bytes read from the copy (each read is at most a pipe's worth): a
// bounded tail, which knows whether it lost the bytes before it.
class LastWords {
public:
    static constexpr qsizetype kept = 16 * 1024;

    void append(QByteArrayView bytes);
    const QByteArray &tail() const { return m_tail; }
    bool cutBefore() const { return m_cutBefore; }

private:
    QByteArray m_tail;
    bool m_cutBefore = false;
};

} // namespace tavik
