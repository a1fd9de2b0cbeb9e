// The command that starts the emulator, as the composer leaves it: the
// program's name, the switch text and the ROM text, kept apart all the way to
// the process start, so that nothing downstream has to find them again in a
// joined line.
#pragma once

#include <QString>

namespace tavik {

struct EmulatorCommand {
    QString program;  // named without a folder; the start looks it up
    QString switches; // every switch with its own trailing blank, in their fixed order
    QString rom;      // the ROM field's text, whole and unquoted

    // The command line as the emulator's users know it: the program, one
    // blank, the switches and the ROM text, with nothing added between them.
    QString commandLine() const { return program + QLatin1Char(' ') + switches + rom; }

    bool operator==(const EmulatorCommand &) const = default;
};

} // namespace tavik
