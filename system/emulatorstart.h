// Starting the emulator's command as an independent process, with no shell
// in between, watched to its end. The steps live apart: the plan (what runs,
// startplan.h), the process start (spawn.h), the error output (errorcapture.h),
// the watch (endwatch.h) and what the user is told (startdiagnosis.h).
#pragma once

#include "launch/emulatorcommand.h"
#include "launch/outcome.h"
#include "system/endwatch.h"
#include "system/startplan.h"

namespace tavik {

// Starts the emulator detached and returns at once. It runs in `runFolder`,
// the folder the ROM was picked in, so that a bare ROM name is found there;
// when that is empty, in the environment's working folder. The program itself
// is looked up as always. A failure comes with the reason in plain words.
// `watch` collects the emulator at its end and reports an early end.
Outcome StartEmulator(const EmulatorCommand &command, const QString &runFolder, EndWatch &watch,
                      const StartEnvironment &environment = StartEnvironment::current());

} // namespace tavik
