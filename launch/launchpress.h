// The steps of one press of the launch button, after the controls have been
// read: compose, refuse without a ROM, start.
#pragma once

#include "launch/commandlinecomposer.h"
#include "launch/outcome.h"

#include <functional>

namespace tavik {

inline const QString noRomMessage = QStringLiteral("You haven't picked a SNES ROM Yet!");

// Starts the emulator's command in `runFolder` (the working folder when that
// is empty).
using StartProgram = std::function<Outcome(const EmulatorCommand &command, const QString &runFolder)>;

// Every message (the composer's notices, the missing ROM, a failed start) goes
// out through `notice`, one at a time, in that order. The composed command
// goes to `start` as it is, with `runFolder`. Returns the video mode in force
// after the press, which the caller keeps for the next one; a refused launch
// has brought it up to date too.
QString runLaunchPress(const LaunchSettings &settings, const QString &videoModeSwitch, const QString &runFolder,
                       const ShowNotice &notice, const StartProgram &start);

} // namespace tavik
