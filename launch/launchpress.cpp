#include "launch/launchpress.h"

namespace tavik {

LaunchPress runLaunchPress(const LaunchSettings &settings, const QString &videoModeSwitch)
{
    LaunchPress press;
    ComposedLaunch composed =
        ComposeCommandLine(settings, videoModeSwitch, [&press](const QString &notice) { press.notices += notice; });
    press.videoModeSwitch = composed.videoModeSwitch;
    if (composed.command.rom == romPlaceholder)
        press.refusal = noRomMessage;
    else
        press.command = std::move(composed.command);
    return press;
}

} // namespace tavik
