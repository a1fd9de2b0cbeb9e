// What a press of the launch button runs: the emulator looked up where the
// launcher's platform looks up any program, and how it is to be run.
#pragma once

#include "launch/emulatorcommand.h"
#include "launch/outcome.h"

#include <QString>
#include <QStringList>

namespace tavik {

// Where the start looks for programs and where the emulator runs.
struct StartEnvironment {
    QString launcherFolder;
    QString workingFolder;
    QString pathVariable;

    // The running launcher's folder, its current working folder and PATH.
    static StartEnvironment current();
};

// What the process start runs: the program file and its arguments, and the
// emulator the user knows it by (the Windows program that wine runs, or the
// program itself), which reports name.
struct ProcessPlan {
    QString program;
    QStringList arguments;
    QString emulator;
    Outcome outcome; // failed when the program cannot be started
};

// The emulator's arguments: the switch text split by the Windows rules, then
// the ROM text whole as the last argument (none when it is empty), so that a
// ROM name with blanks, quotes or shell characters arrives as one piece of data.
QStringList emulatorArguments(const EmulatorCommand &command);

// Looks the program up and decides how to run it: directly, or through wine
// for a Windows executable. Its outcome fails, with the reason, when it cannot be run.
ProcessPlan planEmulatorStart(const EmulatorCommand &command, const StartEnvironment &environment);

// A path as messages show it.
QString displayedPath(const QString &path);

} // namespace tavik
