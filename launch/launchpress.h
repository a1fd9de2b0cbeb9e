// One press of the launch button, after the controls have been read: compose,
// then refuse without a ROM. It shows and starts nothing; the window does.
#pragma once

#include "launch/commandlinecomposer.h"

#include <QStringList>
#include <optional>

namespace tavik {

inline const QString noRomMessage = QStringLiteral("You haven't picked a SNES ROM Yet!");

// What a press comes to. The user is shown the notices, in order, then the
// refusal, or the command is started and, should that fail, told why.
struct LaunchPress {
    QStringList notices;                    // the composer's
    std::optional<EmulatorCommand> command; // none when the press is refused
    QString refusal;                        // why, when it is
    // The video mode in force after the press, which the caller keeps for the
    // next one; a refused press has brought it up to date too.
    QString videoModeSwitch;
};

LaunchPress runLaunchPress(const LaunchSettings &settings, const QString &videoModeSwitch);

} // namespace tavik
