// The command-line composer: validates the two typed numbers, works out the
// video mode in force and concatenates the emulator's switches in their fixed
// order. It keeps no state: the caller holds the video mode between launches.
#pragma once

#include "launch/emulatorcommand.h"
#include "launch/launchsettings.h"

#include <QString>
#include <functional>
#include <optional>

namespace tavik {

// Shows one message to the user and returns once it has been acknowledged.
using ShowNotice = std::function<void(const QString &message)>;

inline const QString soundBufferNotice =
    QStringLiteral("Please select an appropriate range of 128-4096 in the Sound Buffersize Box");
inline const QString lowCpuCyclesNotice =
    QStringLiteral("Choosing a number below 85 CPU cycles can produce strange effects");
inline const QString cpuCyclesRangeNotice = QStringLiteral(
    "Please select a percentage of CPU cycles of 0 to 200. The default value will be used instead.");

// A typed number is an optional leading "-" and one or more ASCII digits, nothing
// else. Its magnitude saturates at 10^12, far beyond every range checked: a
// larger number reads as 10^12 (or -10^12), so a text of any length compares
// correctly and never overflows.
std::optional<long long> readTypedNumber(const QString &text);

struct ComposedLaunch {
    // "snes9x.exe", the switches, and the ROM field's text unchanged.
    EmulatorCommand command;
    // The program-wide video mode from now on: the one named by the video text,
    // or the one in force before when the text names none.
    QString videoModeSwitch;
};

// Composes the emulator's command with `videoModeSwitch`, the video mode in
// force, unless the video text names another. `notice` is called zero to three
// times, in order, before this returns.
ComposedLaunch ComposeCommandLine(const LaunchSettings &settings, const QString &videoModeSwitch,
                                  const ShowNotice &notice);

} // namespace tavik
