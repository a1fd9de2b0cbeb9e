// The switch tables, kept as data so that each row can be read against the
// emulator's documented switches. The main window's combo boxes list the
// texts of the video modes and playback rates from here.
#include "launch/launchsettings.h"

#include <utility>

namespace tavik {
namespace {

using Row = std::pair<const char *, const char *>;

// The mode numbers 4 to 6 are skipped by the emulator.
constexpr Row videoModes[] = {
    {"320x240 - 8bit", "-m 0 "},   {"320x200 - 8bit", "-m 1 "},  {"256x256 - 8bit", "-m 2 "},
    {"640x480 - 8bit", "-m 3 "},   {"640x400 - 8bit", "-m 7 "},  {"800x600 - 8bit", "-m 8 "},
    {"320x240 - 16bit", "-m 9 "},  {"640x480 - 16bit", "-m 10 "}, {"640x400 - 16bit", "-m 11 "},
    {"800x600 - 16bit", "-m 12 "},
};

constexpr Row playbackRates[] = {
    {"Default", ""},           {"0 - Disable Sound", "-r 0 "}, {"1 - 8192", "-r 1 "},
    {"2 - 11025", "-r 2 "},    {"3 - 16500", "-r 3 "},         {"4 - 22050", "-r 4 "},
    {"5 - 29300", "-r 5 "},    {"6 - 36600", "-r 6 "},         {"7 - 44000", "-r 7 "},
};

constexpr const char *frameskipSwitches[] = {"-f 0 ", "-f 1 ", "-f 2 ", "-f 3 ", "-f 4 "};
constexpr const char *soundRatioSwitches[] = {"-ratio 1+ ", "-ratio 2+ ", "-ratio 3+ "};

template <std::size_t N>
QStringList texts(const Row (&table)[N])
{
    QStringList found;
    for (const Row &row : table)
        found += QString::fromLatin1(row.first);
    return found;
}

template <std::size_t N>
QString atPosition(const char *const (&table)[N], int position)
{
    if (position < 0 || position >= static_cast<int>(N))
        return {};
    return QString::fromLatin1(table[position]);
}

} // namespace

QStringList videoModeTexts() { return texts(videoModes); }

QStringList playbackRateTexts() { return texts(playbackRates); }

std::optional<QString> videoModeLookup(const QString &cmbVideoText)
{
    for (const auto &[text, modeSwitch] : videoModes) {
        if (cmbVideoText == QLatin1String(text))
            return QString::fromLatin1(modeSwitch);
    }
    return std::nullopt;
}

QString soundPlaybackLookup(const QString &cmbSoundPlbkText)
{
    for (const auto &[text, rateSwitch] : playbackRates) {
        if (cmbSoundPlbkText == QLatin1String(text))
            return QString::fromLatin1(rateSwitch);
    }
    return {};
}

QString frameskipSwitch(int position) { return atPosition(frameskipSwitches, position); }

QString soundRatioSwitch(int position) { return atPosition(soundRatioSwitches, position); }

QString joystickSwitch(bool noJoy, JoystickKindChoice kind)
{
    if (noJoy)
        return QStringLiteral("-j ");
    switch (kind) {
    case JoystickKindChoice::Joy4: return QStringLiteral("-4 ");
    case JoystickKindChoice::Joy6: return QStringLiteral("-6 ");
    case JoystickKindChoice::Joy8: return QStringLiteral("-8 ");
    case JoystickKindChoice::JoyS: return QStringLiteral("-s ");
    case JoystickKindChoice::None: break;
    }
    return {};
}

QString stereoSwitch(bool stereoSound, bool stereoSoundEnabled)
{
    return stereoSound && stereoSoundEnabled ? QStringLiteral("-stereo ") : QString();
}

QString cartridgeWord(CartridgeChoice cartridge)
{
    switch (cartridge) {
    case CartridgeChoice::GameGenie: return QStringLiteral("-gg");
    case CartridgeChoice::GoldFinger: return QStringLiteral("-gf");
    case CartridgeChoice::ActionReplay: return QStringLiteral("-ar");
    case CartridgeChoice::None: break;
    }
    return {};
}

} // namespace tavik
