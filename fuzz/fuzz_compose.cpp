// Composes emulator commands from arbitrary launch settings: every field,
// texts of any length and content, sliders and choices in and out of range.
// The command must name the program and carry the ROM text whole as its own
// part, its command line must be the program, a blank, the switches and the
// ROM text, the notices must be the right fixed texts in their order, and
// nothing may crash.
#include "fuzzsupport.h"

#include "launch/commandlinecomposer.h"

#include <QStringList>

#include <array>
#include <utility>

using namespace tavik;
using namespace tavik::fuzz;

namespace {

// The notices as the user reads them, written out here rather than taken from
// the composer, so that a changed text is caught too.
const QString bufferNotice =
    QStringLiteral("Please select an appropriate range of 128-4096 in the Sound Buffersize Box");
const QString lowNotice = QStringLiteral("Choosing a number below 85 CPU cycles can produce strange effects");
const QString rangeNotice = QStringLiteral(
    "Please select a percentage of CPU cycles of 0 to 200. The default value will be used instead.");

constexpr std::array<std::pair<const char *, const char *>, 10> videoModes{{
    {"320x240 - 8bit", "-m 0 "}, {"320x200 - 8bit", "-m 1 "}, {"256x256 - 8bit", "-m 2 "},
    {"640x480 - 8bit", "-m 3 "}, {"640x400 - 8bit", "-m 7 "}, {"800x600 - 8bit", "-m 8 "},
    {"320x240 - 16bit", "-m 9 "}, {"640x480 - 16bit", "-m 10 "}, {"640x400 - 16bit", "-m 11 "},
    {"800x600 - 16bit", "-m 12 "},
}};

constexpr const char *playbackTexts[] = {"Default", "0 - Disable Sound", "1 - 8192", "2 - 11025", "3 - 16500",
                                     "4 - 22050", "5 - 29300", "6 - 36600", "7 - 44000",
                                     "Sound Playback Quality Rate"};

constexpr std::u16string_view textAlphabet = u"0123456789- \t\"\\xmh+.e\u00e9\u0665\uff15";
constexpr std::size_t longestText = 300;

// A field's text: often one the code knows, otherwise anything.
QString consumeFieldText(FuzzedDataProvider &data, const char *const *known, std::size_t knownCount)
{
    if (knownCount > 0 && data.ConsumeBool())
        return QString::fromLatin1(known[data.ConsumeIntegralInRange<std::size_t>(0, knownCount - 1)]);
    return consumeText(data, textAlphabet, longestText);
}

int consumePosition(FuzzedDataProvider &data)
{
    // Mostly the slider's own range, sometimes anything at all.
    return data.ConsumeBool() ? data.ConsumeIntegralInRange<int>(-1, 5) : data.ConsumeIntegral<int>();
}

template <typename Choice>
Choice consumeChoice(FuzzedDataProvider &data, int count)
{
    return static_cast<Choice>(data.ConsumeIntegralInRange<int>(0, count - 1));
}

struct Outcome {
    ComposedLaunch composed;
    QStringList notices;
};

Outcome compose(const LaunchSettings &settings, const QString &videoMode)
{
    Outcome outcome;
    outcome.composed = ComposeCommandLine(settings, videoMode,
                                          [&](const QString &message) { outcome.notices.append(message); });
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    const char *videoTexts[videoModes.size()];
    for (std::size_t i = 0; i < videoModes.size(); ++i)
        videoTexts[i] = videoModes[i].first;
    const char *const numberTexts[] = {"0", "84", "85", "100", "127", "128", "200", "201", "4096", "4097", "-5"};

    LaunchSettings s;
    s.cmbVideo = consumeFieldText(data, videoTexts, std::size(videoTexts));
    s.Hires = data.ConsumeBool();
    s.Trans = data.ConsumeBool();
    s.Sixteenbit = data.ConsumeBool();
    s.ScreenScale = data.ConsumeBool();
    s.Frameskip = consumePosition(data);
    s.DisableSound = data.ConsumeBool();
    s.StereoSound = data.ConsumeBool();
    s.StereoSoundEnabled = data.ConsumeBool();
    s.NoMasterVol = data.ConsumeBool();
    s.JoystickKind = consumeChoice<JoystickKindChoice>(data, 5);
    s.NoJoy = data.ConsumeBool();
    s.NoSoundEcho = data.ConsumeBool();
    s.SoundRatio = consumePosition(data);
    s.cmbSoundPlbk = consumeFieldText(data, playbackTexts, std::size(playbackTexts));
    s.NoSampleCaching = data.ConsumeBool();
    s.Scanlines = consumeFieldText(data, numberTexts, std::size(numberTexts));
    s.int2 = data.ConsumeBool();
    s.CheatOn = data.ConsumeBool();
    s.Cartridge = consumeChoice<CartridgeChoice>(data, 4);
    for (CheatCode &entry : s.CheatCodes)
        entry = {data.ConsumeBool(), consumeText(data, textAlphabet, 16)};
    s.SoundBuffersize = consumeFieldText(data, numberTexts, std::size(numberTexts));
    s.ROMLOAD = consumeText(data, textAlphabet, longestText);
    const QString modeInForce = data.ConsumeBool() ? QStringLiteral("-m 9 ") : consumeText(data, textAlphabet, 12);

    const Outcome outcome = compose(s, modeInForce);
    const EmulatorCommand &command = outcome.composed.command;
    const QString line = command.commandLine();

    check(command.program == QLatin1String("snes9x.exe"), "the command names the program", command.program);
    check(command.rom == s.ROMLOAD, "the command carries the ROM text whole", command.rom);
    check(line == QStringLiteral("snes9x.exe ") + command.switches + s.ROMLOAD,
          "the command line is the program, a blank, the switches and the ROM text", line);
    check(command.switches.isEmpty() || command.switches.endsWith(QLatin1Char(' ')),
          "every switch ends with its blank", command.switches);

    QString expectedMode = modeInForce;
    for (const auto &[text, modeSwitch] : videoModes) {
        if (s.cmbVideo == QLatin1String(text))
            expectedMode = QString::fromLatin1(modeSwitch);
    }
    check(outcome.composed.videoModeSwitch == expectedMode, "the video mode is the named one or the one in force",
          outcome.composed.videoModeSwitch);
    check(command.switches.startsWith(expectedMode), "the video mode comes first", command.switches);

    const std::optional<long long> buffer = referenceNumber(s.SoundBuffersize);
    const std::optional<long long> cycles = referenceNumber(s.Scanlines);
    QStringList expectedNotices;
    if (!buffer || *buffer < 128 || *buffer > 4096)
        expectedNotices.append(bufferNotice);
    if (cycles && *cycles < 85)
        expectedNotices.append(lowNotice);
    if (!cycles || *cycles < 0 || *cycles > 200)
        expectedNotices.append(rangeNotice);
    check(outcome.notices.size() <= 3, "at most three notices", outcome.notices.join(QLatin1Char('\n')));
    check(outcome.notices == expectedNotices, "the notices due, in their order",
          outcome.notices.join(QLatin1Char('\n')));

    // Nothing is kept between calls: the same settings give the same result.
    const Outcome again = compose(s, modeInForce);
    check(again.composed.command == command && again.composed.videoModeSwitch == expectedMode
              && again.notices == outcome.notices,
          "composing again gives the same result");
    return 0;
}
