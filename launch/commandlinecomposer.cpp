#include "launch/commandlinecomposer.h"

#include <algorithm>
#include <utility>

namespace tavik {
namespace {

constexpr long long saturation = 1'000'000'000'000LL;

QString cpuCyclesSwitch(const QString &scanlines, const ShowNotice &notice)
{
    const std::optional<long long> value = readTypedNumber(scanlines);
    if (value && *value < 85)
        notice(lowCpuCyclesNotice);
    // A text that is no number must never reach the emulator; it is treated as
    // out of range and replaced by the default.
    if (!value || *value > 200 || *value < 0) {
        notice(cpuCyclesRangeNotice);
        return QStringLiteral("-h 100 ");
    }
    return QStringLiteral("-h ") + scanlines + QLatin1Char(' ');
}

QString cheatSwitch(const LaunchSettings &settings)
{
    if (!settings.CheatOn || settings.Cartridge == CartridgeChoice::None)
        return {};
    QString result = cartridgeWord(settings.Cartridge) + QLatin1Char(' ');
    for (const CheatCode &entry : settings.CheatCodes) {
        if (entry.ticked)
            result += entry.code;
        result += QLatin1Char(' ');
    }
    return result;
}

QString checkSwitch(bool ticked, const char *whenTicked)
{
    return ticked ? QString::fromLatin1(whenTicked) : QString();
}

} // namespace

std::optional<long long> readTypedNumber(const QString &text)
{
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QStringView digits = QStringView(text).mid(negative ? 1 : 0);
    if (digits.isEmpty())
        return std::nullopt;
    long long value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        if (value < saturation)
            value = std::min(value * 10 + (c.unicode() - '0'), saturation);
    }
    return negative ? -value : value;
}

ComposedLaunch ComposeCommandLine(const LaunchSettings &settings, const QString &videoModeSwitch,
                                  const ShowNotice &notice)
{
    const std::optional<long long> bufferSize = readTypedNumber(settings.SoundBuffersize);
    if (!bufferSize || *bufferSize < 128 || *bufferSize > 4096)
        notice(soundBufferNotice);

    const QString cpuCycles = cpuCyclesSwitch(settings.Scanlines, notice);

    const QString videoMode = videoModeLookup(settings.cmbVideo).value_or(videoModeSwitch);

    QString switches =
        videoMode
        + checkSwitch(settings.Hires, "-h ")
        + checkSwitch(settings.Trans, "-tr ")
        + checkSwitch(settings.Sixteenbit, "-16 ")
        + checkSwitch(settings.ScreenScale, "-scale ")
        + frameskipSwitch(settings.Frameskip)
        + checkSwitch(settings.DisableSound, "-nosound ")
        + stereoSwitch(settings.StereoSound, settings.StereoSoundEnabled)
        + (settings.NoMasterVol ? QStringLiteral("-nmv ") : QStringLiteral(" "))
        + joystickSwitch(settings.NoJoy, settings.JoystickKind)
        + checkSwitch(settings.NoSoundEcho, "-noecho ")
        + soundRatioSwitch(settings.SoundRatio)
        + soundPlaybackLookup(settings.cmbSoundPlbk)
        + checkSwitch(settings.NoSampleCaching, "-nosamplecaching ")
        + cpuCycles
        + checkSwitch(settings.int2, "-i2 ")
        + cheatSwitch(settings);
    return {{QStringLiteral("snes9x.exe"), std::move(switches), settings.ROMLOAD}, videoMode};
}

} // namespace tavik
