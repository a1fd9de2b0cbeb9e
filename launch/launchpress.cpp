#include "launch/launchpress.h"

namespace tavik {

QString runLaunchPress(const LaunchSettings &settings, const QString &videoModeSwitch, const QString &runFolder,
                       const ShowNotice &notice, const StartProgram &start)
{
    const ComposedLaunch composed = ComposeCommandLine(settings, videoModeSwitch, notice);
    if (composed.command.rom == romPlaceholder) {
        notice(noRomMessage);
        return composed.videoModeSwitch;
    }
    const Outcome started = start(composed.command, runFolder);
    if (!started.ok)
        notice(started.reason);
    return composed.videoModeSwitch;
}

} // namespace tavik
