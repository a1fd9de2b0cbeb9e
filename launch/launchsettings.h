// LaunchSettings: the snapshot of every main-window control whose state reaches
// the emulator's command line, and the tables that turn each field into its switch.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace tavik {

enum class JoystickKindChoice { None, Joy4, Joy6, Joy8, JoyS };
enum class CartridgeChoice { None, GameGenie, GoldFinger, ActionReplay };

struct CheatCode {
    bool ticked = false;
    QString code;
};

// The texts the main window's fields open on. The two combo texts are none of
// their items; the ROM field's text is the marker that no ROM has been picked.
inline const QString initialVideoText = QStringLiteral("Video Mode");
inline const QString initialPlaybackText = QStringLiteral("Sound Playback Quality Rate");
inline const QString romPlaceholder = QStringLiteral("Select a SNES Rom File");

// One field per contributing control, named after the control it is read from.
// The defaults are the states the main window shows when it opens.
struct LaunchSettings {
    QString cmbVideo = initialVideoText;
    bool Hires = false;
    bool Trans = false;
    bool Sixteenbit = false;
    bool ScreenScale = false;
    int Frameskip = 0;
    bool DisableSound = false;
    bool StereoSound = false;
    bool StereoSoundEnabled = true;
    bool NoMasterVol = false;
    JoystickKindChoice JoystickKind = JoystickKindChoice::None;
    bool NoJoy = false;
    bool NoSoundEcho = false;
    int SoundRatio = 0;
    QString cmbSoundPlbk = initialPlaybackText;
    bool NoSampleCaching = false;
    QString Scanlines = QStringLiteral("100");
    bool int2 = false;
    bool CheatOn = false;
    CartridgeChoice Cartridge = CartridgeChoice::GameGenie;
    std::array<CheatCode, 10> CheatCodes{};
    QString SoundBuffersize = QStringLiteral("2560");
    QString ROMLOAD = romPlaceholder;
};

// The texts of the ten video modes and of the playback rates, in the order
// the main window's combo boxes list them.
QStringList videoModeTexts();
QStringList playbackRateTexts();

// The value VideoModeSwitch takes for a video-mode text, or nothing when the
// text (compared whole and case-sensitively) is none of the ten modes.
std::optional<QString> videoModeLookup(const QString &cmbVideoText);

// The playback-rate switch for a playback text; empty for any text that is no rate.
QString soundPlaybackLookup(const QString &cmbSoundPlbkText);

QString frameskipSwitch(int position);
QString soundRatioSwitch(int position);
QString joystickSwitch(bool noJoy, JoystickKindChoice kind);
QString stereoSwitch(bool stereoSound, bool stereoSoundEnabled);
// "-gg", "-gf", "-ar", or empty when no cartridge is selected.
QString cartridgeWord(CartridgeChoice cartridge);

// The video mode the launches use until one is recognised in the combo box.
inline const QString initialVideoModeSwitch = QStringLiteral("-m 9 ");

} // namespace tavik
