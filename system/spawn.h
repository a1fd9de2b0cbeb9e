// Starting a program as an independent process, with no shell in between.
#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace tavik {

// The descriptors a started program gets in its first slots: a descriptor of
// the launcher's, or one of these.
struct ChildStreams {
    // The launcher's own descriptor of the same slot, or /dev/null where the
    // launcher has none to pass on.
    static constexpr int launchers = -1;
    static constexpr int nullDevice = -2;
    static constexpr int none = -3; // only for descriptor 3: left closed

    int input = nullDevice;
    int output = launchers;
    int errors = launchers;
    int third = none;
};

// Starts `program` with `arguments` in `folder`: in a session of its own (so
// that neither the launcher's end nor its terminal's signals reach it), with
// default signal handling and nothing blocked, and `streams` in its first
// slots. Names go byte for byte. posix_spawn does not copy the launcher's
// memory, as a fork would, which makes the start several times faster.
// Every step is checked; returns 0 or the errno of the first that failed
// (the folder and the exec itself included), and the process in `child`.
int spawnDetached(const QString &program, const QStringList &arguments, const QString &folder,
                  const ChildStreams &streams, pid_t &child);

// Whether the launcher's `descriptor` can pass to a child as it is: open, and
// not one of the launcher's own files (they close on exec), which would leave
// the child's slot closed.
bool passesOn(int descriptor);

// Gives each of standard input, output and error that the launcher was
// started without /dev/null, so that none of the launcher's own files takes
// such a slot (its log lines would go into that file) or reaches a program it
// starts as one.
void fillStandardDescriptors();

} // namespace tavik
