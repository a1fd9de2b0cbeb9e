#include "launch/launchpress.h"

namespace tavik {

void runLaunchPress(const LaunchSettings &settings, QString &videoModeSwitch, const ShowNotice &notice,
                    const StartProgram &start)
{
    const QString commandLine = ComposeCommandLine(settings, notice, videoModeSwitch);
    if (settings.ROMLOAD == romPlaceholder) {
        notice(noRomMessage);
        return;
    }
    const QString problem = start(commandLine, settings.ROMLOAD);
    if (!problem.isEmpty())
        notice(problem);
}

} // namespace tavik
