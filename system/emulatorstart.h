// Starting the emulator's command as an independent process, with no shell
// in between.
#pragma once

#include "launch/emulatorcommand.h"
#include "launch/outcome.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace tavik {

// An emulator that ends within this time of its start, with an error status or
// by a signal, did not get going (wine that cannot run it, a ROM it refuses):
// its end is reported, with the last lines it wrote to its error output.
inline constexpr std::chrono::seconds earlyEndWindow{5};

// Receives that report, in plain words, on a thread of the start's own.
using EarlyEndReport = std::function<void(const QString &message)>;

// Where the start looks for programs and where the emulator runs.
struct StartEnvironment {
    QString launcherFolder;
    QString workingFolder;
    QString pathVariable;

    // The running launcher's folder, its current working folder and PATH.
    static StartEnvironment current();
};

// What the process start would run: the program file and its arguments.
struct ProcessPlan {
    QString program;
    QStringList arguments;
    Outcome outcome; // failed when the program cannot be started
};

// The emulator's arguments: the switch text split by the Windows rules, then
// the ROM text whole as the last argument (none when it is empty), so that a
// ROM name with blanks, quotes or shell characters arrives as one piece of data.
QStringList emulatorArguments(const EmulatorCommand &command);

// Looks the program up and decides how to run it: directly, or through wine
// for a Windows executable. Its outcome fails, with the reason, when it cannot be run.
ProcessPlan planEmulatorStart(const EmulatorCommand &command, const StartEnvironment &environment);

// Starts the emulator detached and returns at once. It runs in `runFolder`,
// the folder the ROM was picked in, so that a bare ROM name is found there;
// when that is empty, in the environment's working folder. The program itself
// is looked up as always. A failure comes with the reason in plain words.
// `onEarlyEnd`, when given, hears of an emulator that ends at once with an error.
Outcome StartEmulator(const EmulatorCommand &command, const QString &runFolder = {},
                      const StartEnvironment &environment = StartEnvironment::current(),
                      const EarlyEndReport &onEarlyEnd = {});

} // namespace tavik
