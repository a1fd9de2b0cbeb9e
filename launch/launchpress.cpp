#include "launch/launchpress.h"

namespace tavik {

QString runLaunchPress(const LaunchSettings &settings, const QString &videoModeSwitch, const ShowNotice &notice,
                       const StartProgram &start)
{
    const ComposedLaunch composed = ComposeCommandLine(settings, videoModeSwitch, notice);
    if (settings.ROMLOAD == romPlaceholder) {
        notice(noRomMessage);
        return composed.videoModeSwitch;
    }
    const QString problem = start(composed.commandLine, settings.ROMLOAD);
    if (!problem.isEmpty())
        notice(problem);
    return composed.videoModeSwitch;
}

} // namespace tavik
