// The launch core without any window: switch tables, validations and the
// assembled command line.
#include "launch/commandlinecomposer.h"
#include "launch/launchpress.h"

#include <QTest>

#include <utility>

using namespace tavik;

namespace tavik {
// How QCOMPARE shows a command that differs.
char *toString(const EmulatorCommand &command)
{
    return QTest::toString(QStringLiteral("{program \"%1\", switches \"%2\", ROM \"%3\"}")
                               .arg(command.program, command.switches, command.rom));
}
} // namespace tavik

namespace {

struct Composition {
    EmulatorCommand command;
    QString commandLine; // command.commandLine()
    QStringList notices;
    QString videoModeSwitch;
};

Composition compose(const LaunchSettings &settings, const QString &videoMode = QStringLiteral("-m 9 "))
{
    Composition result;
    ComposedLaunch composed = ComposeCommandLine(
        settings, videoMode, [&](const QString &message) { result.notices.append(message); });
    result.command = std::move(composed.command);
    result.commandLine = result.command.commandLine();
    result.videoModeSwitch = std::move(composed.videoModeSwitch);
    return result;
}

LaunchSettings withRom()
{
    LaunchSettings settings;
    settings.ROMLOAD = QStringLiteral("GAME.SMC");
    return settings;
}

// The command line of the main window's opening state with one place replaced.
QString startLineWith(const QString &from, const QString &to)
{
    QString line = QStringLiteral("snes9x.exe -m 9 -f 0  -ratio 1+ -h 100 GAME.SMC");
    return line.replace(line.indexOf(from), from.size(), to);
}

// Sets one check-box field by its control name.
void tick(LaunchSettings &s, const QString &field)
{
    bool LaunchSettings::*const fields[] = {&LaunchSettings::Hires, &LaunchSettings::Trans,
                                            &LaunchSettings::Sixteenbit, &LaunchSettings::ScreenScale,
                                            &LaunchSettings::DisableSound, &LaunchSettings::NoMasterVol,
                                            &LaunchSettings::NoSoundEcho, &LaunchSettings::NoSampleCaching,
                                            &LaunchSettings::int2};
    const char *names[] = {"Hires", "Trans", "Sixteenbit", "ScreenScale", "DisableSound",
                           "NoMasterVol", "NoSoundEcho", "NoSampleCaching", "int2"};
    for (std::size_t i = 0; i < std::size(names); ++i) {
        if (field == QLatin1String(names[i])) {
            s.*fields[i] = true;
            return;
        }
    }
    QFAIL("unknown field");
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void videoModeTable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // the VideoModeSwitch afterwards
        const char *rows[][2] = {
            {"320x240 - 8bit", "-m 0 "},   {"320x200 - 8bit", "-m 1 "},  {"256x256 - 8bit", "-m 2 "},
            {"640x480 - 8bit", "-m 3 "},   {"640x400 - 8bit", "-m 7 "},  {"800x600 - 8bit", "-m 8 "},
            {"320x240 - 16bit", "-m 9 "},  {"640x480 - 16bit", "-m 10 "}, {"640x400 - 16bit", "-m 11 "},
            {"800x600 - 16bit", "-m 12 "},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
        // Texts that are no mode keep the previous value, here "-m 3 ".
        for (const char *noMode : {"Video Mode", "640X480 - 16BIT", "640x480 - 16bit ", " 640x480 - 16bit",
                                   "", "abc"})
            QTest::newRow(noMode) << QString::fromLatin1(noMode) << QStringLiteral("-m 3 ");
    }
    void videoModeTable()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        LaunchSettings s = withRom();
        s.cmbVideo = text;
        const Composition c = compose(s, QStringLiteral("-m 3 "));
        QCOMPARE(c.videoModeSwitch, expected);
        QVERIFY(c.commandLine.startsWith(QStringLiteral("snes9x.exe ") + expected + QStringLiteral("-f 0 ")));
    }

    // One press, without windows: the composer's notices in their order,
    // then the refusal or the command, and the mode in force handed back on
    // every road out. (The window shows them, then a start's failure.)
    void launchPress_data()
    {
        QTest::addColumn<QString>("rom");
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<QString>("cycles");
        QTest::addColumn<QStringList>("events");
        const QString line = QStringLiteral("snes9x.exe -m 1 -f 0  -ratio 1+ -h 100 GAME.SMC");
        const QString buffer = QStringLiteral(
            "notice: Please select an appropriate range of 128-4096 in the Sound Buffersize Box");
        const QString low = QStringLiteral("notice: Choosing a number below 85 CPU cycles can produce strange effects");
        const QString range = QStringLiteral("notice: Please select a percentage of CPU cycles of 0 to 200. "
                                             "The default value will be used instead.");
        const QString noRom = QStringLiteral("refused: You haven't picked a SNES ROM Yet!");
        QTest::newRow("started") << "GAME.SMC" << "2560" << "100" << QStringList{"start: " + line};
        QTest::newRow("refused for want of a ROM") << "Select a SNES Rom File" << "2560" << "100" << QStringList{noRom};
        QTest::newRow("notices, then the start")
            << "GAME.SMC" << "99999" << "-5"
            << QStringList{buffer, low, range, "start: snes9x.exe -m 1 -f 0  -ratio 1+ -h 100 GAME.SMC"};
        QTest::newRow("notices, then the refusal")
            << "Select a SNES Rom File" << "1" << "50" << QStringList{buffer, low, noRom};
        QTest::newRow("a ROM named like the marker but longer starts")
            << "Select a SNES Rom File " << "2560" << "100"
            << QStringList{"start: snes9x.exe -m 1 -f 0  -ratio 1+ -h 100 Select a SNES Rom File "};
    }
    void launchPress()
    {
        QFETCH(QString, rom);
        QFETCH(QString, buffer);
        QFETCH(QString, cycles);
        QFETCH(QStringList, events);
        LaunchSettings s;
        s.ROMLOAD = rom;
        s.SoundBuffersize = buffer;
        s.Scanlines = cycles;
        s.cmbVideo = QStringLiteral("320x200 - 8bit");
        const LaunchPress press = runLaunchPress(s, QStringLiteral("-m 9 "));
        QCOMPARE(press.videoModeSwitch, QStringLiteral("-m 1 "));
        QStringList seen;
        for (const QString &notice : press.notices)
            seen.append("notice: " + notice);
        seen.append(press.command ? "start: " + press.command->commandLine() : "refused: " + press.refusal);
        QCOMPARE(seen, events);
        // The composed command comes out as it was composed, its parts apart.
        if (press.command)
            QCOMPARE(*press.command, (EmulatorCommand{QStringLiteral("snes9x.exe"),
                                                      QStringLiteral("-m 1 -f 0  -ratio 1+ -h 100 "), rom}));
        QVERIFY(press.command.has_value() == press.refusal.isEmpty());
    }

    void placeSwitches_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Hires") << "Hires" << startLineWith("-f 0", "-h -f 0");
        QTest::newRow("Trans") << "Trans" << startLineWith("-f 0", "-tr -f 0");
        QTest::newRow("Sixteenbit") << "Sixteenbit" << startLineWith("-f 0", "-16 -f 0");
        QTest::newRow("ScreenScale") << "ScreenScale" << startLineWith("-f 0", "-scale -f 0");
        QTest::newRow("DisableSound") << "DisableSound" << startLineWith("-f 0 ", "-f 0 -nosound ");
        QTest::newRow("NoMasterVol") << "NoMasterVol" << startLineWith("-f 0  ", "-f 0 -nmv ");
        QTest::newRow("NoSoundEcho") << "NoSoundEcho" << startLineWith("-ratio", "-noecho -ratio");
        QTest::newRow("NoSampleCaching") << "NoSampleCaching"
                                         << startLineWith("-h 100", "-nosamplecaching -h 100");
        QTest::newRow("int2") << "int2" << startLineWith("GAME", "-i2 GAME");
    }
    void placeSwitches()
    {
        QFETCH(QString, field);
        QFETCH(QString, expected);
        LaunchSettings s = withRom();
        tick(s, field);
        QCOMPARE(compose(s).commandLine, expected);
    }

    void allPlacesInOrder()
    {
        LaunchSettings s = withRom();
        s.cmbVideo = QStringLiteral("800x600 - 16bit");
        s.Hires = s.Trans = s.Sixteenbit = s.ScreenScale = s.DisableSound = true;
        s.StereoSound = true;
        s.NoMasterVol = true;
        s.JoystickKind = JoystickKindChoice::JoyS;
        s.NoSoundEcho = s.NoSampleCaching = s.int2 = true;
        s.Frameskip = 4;
        s.SoundRatio = 2;
        s.cmbSoundPlbk = QStringLiteral("7 - 44000");
        s.Scanlines = QStringLiteral("200");
        s.CheatOn = true;
        s.Cartridge = CartridgeChoice::ActionReplay;
        for (int i = 0; i < 10; ++i)
            s.CheatCodes[i] = {true, QString::number(i + 1)};
        QCOMPARE(compose(s).commandLine,
                 QStringLiteral("snes9x.exe -m 12 -h -tr -16 -scale -f 4 -nosound -stereo -nmv -s "
                                "-noecho -ratio 3+ -r 7 -nosamplecaching -h 200 -i2 "
                                "-ar 1 2 3 4 5 6 7 8 9 10 GAME.SMC"));
    }

    void sliders_data()
    {
        QTest::addColumn<int>("frameskip");
        QTest::addColumn<int>("ratio");
        QTest::addColumn<QString>("expected");
        for (int f = 0; f <= 4; ++f)
            QTest::addRow("frameskip %d", f) << f << 0 << startLineWith("-f 0", QStringLiteral("-f %1").arg(f));
        for (int r = 0; r <= 2; ++r)
            QTest::addRow("ratio %d", r) << 0 << r
                                         << startLineWith("-ratio 1+", QStringLiteral("-ratio %1+").arg(r + 1));
    }
    void sliders()
    {
        QFETCH(int, frameskip);
        QFETCH(int, ratio);
        QFETCH(QString, expected);
        LaunchSettings s = withRom();
        s.Frameskip = frameskip;
        s.SoundRatio = ratio;
        QCOMPARE(compose(s).commandLine, expected);
    }

    void playbackTable_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const char *rows[][2] = {{"Default", ""},         {"0 - Disable Sound", "-r 0 "},
                                 {"1 - 8192", "-r 1 "},   {"2 - 11025", "-r 2 "},
                                 {"3 - 16500", "-r 3 "},  {"4 - 22050", "-r 4 "},
                                 {"5 - 29300", "-r 5 "},  {"6 - 36600", "-r 6 "},
                                 {"7 - 44000", "-r 7 "},  {"Sound Playback Quality Rate", ""},
                                 {"default", ""},         {"7 - 44000 ", ""},
                                 {"", ""}};
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
    }
    void playbackTable()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        LaunchSettings s = withRom();
        s.cmbSoundPlbk = text;
        QCOMPARE(compose(s).commandLine, startLineWith("-h 100", expected + QStringLiteral("-h 100")));
    }

    void joystickAndStereo_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("noJoy");
        QTest::addColumn<bool>("stereo");
        QTest::addColumn<bool>("stereoEnabled");
        QTest::addColumn<QString>("expected");
        using K = JoystickKindChoice;
        QTest::newRow("4 buttons") << int(K::Joy4) << false << false << true << startLineWith("  ", "  -4 ");
        QTest::newRow("6 buttons") << int(K::Joy6) << false << false << true << startLineWith("  ", "  -6 ");
        QTest::newRow("8 buttons") << int(K::Joy8) << false << false << true << startLineWith("  ", "  -8 ");
        QTest::newRow("SideWinder") << int(K::JoyS) << false << false << true << startLineWith("  ", "  -s ");
        QTest::newRow("disabled wins over a kind")
            << int(K::Joy8) << true << false << true << startLineWith("  ", "  -j ");
        QTest::newRow("disabled, no kind") << int(K::None) << true << false << true << startLineWith("  ", "  -j ");
        QTest::newRow("stereo") << int(K::None) << false << true << true << startLineWith("  ", " -stereo  ");
        QTest::newRow("stereo selected but disabled") << int(K::None) << false << true << false
                                                      << startLineWith("  ", "  ");
    }
    void joystickAndStereo()
    {
        QFETCH(int, kind);
        QFETCH(bool, noJoy);
        QFETCH(bool, stereo);
        QFETCH(bool, stereoEnabled);
        QFETCH(QString, expected);
        LaunchSettings s = withRom();
        s.JoystickKind = static_cast<JoystickKindChoice>(kind);
        s.NoJoy = noJoy;
        s.StereoSound = stereo;
        s.StereoSoundEnabled = stereoEnabled;
        QCOMPARE(compose(s).commandLine, expected);
    }

    void cheatSwitch_data()
    {
        QTest::addColumn<bool>("cheatOn");
        QTest::addColumn<int>("cartridge");
        QTest::addColumn<QString>("ticked"); // entries ticked, as digits 0-9
        QTest::addColumn<QString>("expected"); // the text between "-h 100 " and the ROM
        using C = CartridgeChoice;
        QTest::newRow("off, whatever the entries") << false << int(C::GameGenie) << "0123" << "";
        QTest::newRow("on, no cartridge") << true << int(C::None) << "0" << "";
        QTest::newRow("on, nothing ticked") << true << int(C::GameGenie) << "" << "-gg           ";
        QTest::newRow("Action Replay, entry 10") << true << int(C::ActionReplay) << "9"
                                                 << "-ar          CODE10 ";
        QTest::newRow("GoldFinger, all") << true << int(C::GoldFinger) << "0123456789"
                                         << "-gf CODE1 CODE2 CODE3 CODE4  CODE6 CODE7 CODE8 CODE9 CODE10 ";
        QTest::newRow("ticked entry with an empty code") << true << int(C::GameGenie) << "4"
                                                         << "-gg           ";
    }
    void cheatSwitch()
    {
        QFETCH(bool, cheatOn);
        QFETCH(int, cartridge);
        QFETCH(QString, ticked);
        QFETCH(QString, expected);
        LaunchSettings s = withRom();
        s.CheatOn = cheatOn;
        s.Cartridge = static_cast<CartridgeChoice>(cartridge);
        for (int i = 0; i < 10; ++i)
            s.CheatCodes[i] = {false, i == 4 ? QString() : QStringLiteral("CODE%1").arg(i + 1)};
        for (const QChar c : ticked)
            s.CheatCodes[c.digitValue()].ticked = true;
        QCOMPARE(compose(s).commandLine, startLineWith("GAME", expected + QStringLiteral("GAME")));
    }

    void validation_data()
    {
        QTest::addColumn<QString>("bufferSize");
        QTest::addColumn<QString>("scanlines");
        QTest::addColumn<QStringList>("notices");
        QTest::addColumn<QString>("cpuSwitch");
        const QStringList none;
        const QStringList buffer{QStringLiteral("Please select an appropriate range of 128-4096 in the Sound Buffersize Box")};
        const QStringList low{QStringLiteral("Choosing a number below 85 CPU cycles can produce strange effects")};
        const QStringList range{QStringLiteral("Please select a percentage of CPU cycles of 0 to 200. The default value will be used instead.")};
        const QStringList both = low + range;
        QTest::newRow("buffer 128") << "128" << "100" << none << "-h 100 ";
        QTest::newRow("buffer 4096") << "4096" << "100" << none << "-h 100 ";
        QTest::newRow("buffer 512") << "512" << "100" << none << "-h 100 ";
        for (const char *bad : {"127", "4097", "0", "", "12a", "-128", "+512", " 512", "512 ", "5.1", "1e3",
                                "-", "\xd9\xa5\xd9\xa1\xd9\xa2"})
            QTest::addRow("buffer '%s'", bad) << QString::fromUtf8(bad) << "100" << buffer << "-h 100 ";
        QTest::newRow("cycles 85") << "2560" << "85" << none << "-h 85 ";
        QTest::newRow("cycles 84") << "2560" << "84" << low << "-h 84 ";
        QTest::newRow("cycles 0") << "2560" << "0" << low << "-h 0 ";
        QTest::newRow("cycles 200") << "2560" << "200" << none << "-h 200 ";
        QTest::newRow("cycles 201") << "2560" << "201" << range << "-h 100 ";
        QTest::newRow("cycles -5") << "2560" << "-5" << both << "-h 100 ";
        QTest::newRow("cycles -0") << "2560" << "-0" << low << "-h -0 ";
        QTest::newRow("cycles typed with zeros") << "2560" << "0100" << none << "-h 0100 ";
        QTest::newRow("cycles huge") << "2560" << "99999999999999999999" << range << "-h 100 ";
        QTest::newRow("cycles huge negative") << "2560" << "-99999999999999999999" << both << "-h 100 ";
        QTest::newRow("buffer huge") << "99999999999999999999" << "100" << buffer << "-h 100 ";
        for (const char *notNumber : {"", "abc", "1 00", "+100", "100.0", "1e2", " 100", "100 ", "-", "--5",
                                      "100; rm -rf ~"})
            QTest::addRow("cycles '%s'", notNumber) << "2560" << QString::fromLatin1(notNumber) << range
                                                     << "-h 100 ";
        QTest::newRow("both bad: buffer first") << "1" << "-5" << buffer + both << "-h 100 ";
    }
    void validation()
    {
        QFETCH(QString, bufferSize);
        QFETCH(QString, scanlines);
        QFETCH(QStringList, notices);
        QFETCH(QString, cpuSwitch);
        LaunchSettings s = withRom();
        s.SoundBuffersize = bufferSize;
        s.Scanlines = scanlines;
        const Composition c = compose(s);
        QCOMPARE(c.notices, notices);
        QCOMPARE(c.commandLine, startLineWith("-h 100 ", cpuSwitch));
    }

    void disabledSoundStillValidatedAndComposed()
    {
        LaunchSettings s = withRom();
        s.DisableSound = true;
        s.SoundBuffersize = QStringLiteral("9");
        s.SoundRatio = 2;
        s.cmbSoundPlbk = QStringLiteral("3 - 16500");
        const Composition c = compose(s);
        QCOMPARE(c.notices, QStringList{QStringLiteral("Please select an appropriate range of 128-4096 in the Sound Buffersize Box")});
        QCOMPARE(c.commandLine, QStringLiteral("snes9x.exe -m 9 -f 0 -nosound  -ratio 3+ -r 3 -h 100 GAME.SMC"));
    }

    void romTextAppendedUnchanged_data()
    {
        QTest::addColumn<QString>("rom");
        for (const char *rom : {"My Game (USA).sfc", "\"quoted\".smc", "$(touch pwned); x.smc", "", " ",
                                "a\\b\\\"c.smc", "Select a SNES Rom File"})
            QTest::newRow(rom) << QString::fromLatin1(rom);
    }
    void romTextAppendedUnchanged()
    {
        QFETCH(QString, rom);
        LaunchSettings s;
        s.ROMLOAD = rom;
        const Composition c = compose(s);
        QCOMPARE(c.commandLine, QStringLiteral("snes9x.exe -m 9 -f 0  -ratio 1+ -h 100 ") + rom);
        // Whatever the ROM text holds, it stays the ROM part, whole.
        QCOMPARE(c.command.rom, rom);
        QCOMPARE(c.command.switches, QStringLiteral("-m 9 -f 0  -ratio 1+ -h 100 "));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_commandline.moc"
