#include "system/errorcapture.h"

#include "system/spawn.h"
#include "system/startdiagnosis.h"

#include <QStringList>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace tavik {
namespace {

void closeIfOpen(int &descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

// coreutils' tee, by its fixed place: a program of that name elsewhere on
// PATH is not known to keep going as this one does.
const char *relayProgram()
{
    for (const char *path : {"/usr/bin/tee", "/bin/tee"}) {
        if (::access(path, X_OK) == 0)
            return path;
    }
    return nullptr;
}

ErrorCapture notCaptured(const char *what, int error)
{
    qCInfo(startLog, "the emulator's error output goes where the launcher's does, with no copy kept: %s: %s", what,
           qPrintable(qt_error_string(error)));
    return {};
}

} // namespace

ErrorCapture startErrorCapture()
{
    const char *relay = relayProgram();
    if (!relay)
        return notCaptured("no /usr/bin/tee", ENOENT);
    int emulatorPipe[2], copyPipe[2];
    if (::pipe2(emulatorPipe, O_CLOEXEC) != 0)
        return notCaptured("pipe", errno);
    if (::pipe2(copyPipe, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(emulatorPipe[0]);
        ::close(emulatorPipe[1]);
        return notCaptured("pipe", error);
    }
    ChildStreams streams;
    streams.input = emulatorPipe[0];
    streams.output = passesOn(STDERR_FILENO) ? STDERR_FILENO : ChildStreams::nullDevice;
    streams.third = copyPipe[1];
    ErrorCapture capture;
    // In the root folder, so that no folder is kept busy by it.
    const int error = spawnDetached(QString::fromLatin1(relay),
                                    {QStringLiteral("-p"), QStringLiteral("/dev/fd/3"), QStringLiteral("/dev/null")},
                                    QStringLiteral("/"), streams, capture.relay);
    ::close(emulatorPipe[0]);
    ::close(copyPipe[1]);
    if (error != 0) {
        ::close(emulatorPipe[1]);
        ::close(copyPipe[0]);
        return notCaptured(relay, error);
    }
    capture.emulatorEnd = emulatorPipe[1];
    capture.copy = copyPipe[0];
    const int flags = ::fcntl(capture.copy, F_GETFL);
    if (flags < 0 || ::fcntl(capture.copy, F_SETFL, flags | O_NONBLOCK) != 0) {
        // The copy could then stall the watch: it goes, the relay passes on the rest.
        closeIfOpen(capture.copy);
    }
    return capture;
}

void releaseEmulatorEnd(ErrorCapture &capture) { closeIfOpen(capture.emulatorEnd); }

void LastWords::append(QByteArrayView bytes)
{
    m_tail.append(bytes);
    if (m_tail.size() > kept) {
        m_tail.remove(0, m_tail.size() - kept);
        m_cutBefore = true;
    }
}

} // namespace tavik
