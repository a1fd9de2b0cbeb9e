#include "system/emulatorstart.h"

#include "system/errorcapture.h"
#include "system/filenames.h"
#include "system/folderreading.h"
#include "system/spawn.h"
#include "system/startdiagnosis.h"

#include <fcntl.h>
#include <unistd.h>

namespace tavik {

Outcome StartEmulator(const EmulatorCommand &command, const QString &runFolder, EndWatch &watch,
                      const StartEnvironment &environment)
{
    const ProcessPlan plan = planEmulatorStart(command, environment);
    if (!plan.outcome.ok)
        return plan.outcome;
    const QString folder = runFolder.isEmpty() ? environment.workingFolder : runFolder;
    if (folder.isEmpty())
        return Outcome::failed(QStringLiteral("The working folder, where the emulator is to run, no longer exists."));
    if (!isFolder(folder)) {
        return Outcome::failed(QStringLiteral("The folder %1, where the emulator is to run, no longer exists.")
                                   .arg(displayedPath(folder)));
    }
    // A folder that can be listed but not entered would otherwise fail inside
    // the process start, with a reason that names no folder.
    if (::faccessat(AT_FDCWD, fileNameToBytes(folder).constData(), X_OK, AT_EACCESS) != 0) {
        return Outcome::failed(QStringLiteral("The folder %1, where the emulator is to run, cannot be entered: %2.")
                                   .arg(displayedPath(folder), qt_error_string(errno)));
    }

    ErrorCapture capture = startErrorCapture();
    ChildStreams streams;
    if (capture.active())
        streams.errors = capture.emulatorEnd;
    pid_t child = 0;
    const int error = spawnDetached(plan.program, plan.arguments, folder, streams, child);
    releaseEmulatorEnd(capture);
    if (capture.active())
        watch.collect(capture.relay);
    if (error != 0) {
        if (capture.copy >= 0)
            ::close(capture.copy);
        return Outcome::failed(spawnProblem(plan.program, error));
    }
    qCInfo(startLog, "emulator %d started: %s", int(child), qPrintable(displayedPath(plan.program)));
    watch.watch(child, plan.emulator, capture.copy);
    return Outcome::done();
}

} // namespace tavik
