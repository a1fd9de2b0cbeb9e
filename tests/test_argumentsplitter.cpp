// Windows argument text to argument vector, and the emulator's arguments.
#include "system/argumentsplitter.h"
#include "system/emulatorstart.h"

#include <QTest>

using namespace tavik;

class ArgumentSplitterTest : public QObject {
    Q_OBJECT

private slots:
    void microsoftRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        // The examples of the Microsoft C runtime's documentation first.
        QTest::newRow("quoted first") << "\"abc\" d e" << QStringList{"abc", "d", "e"};
        QTest::newRow("backslashes not before a quote")
            << "a\\\\b d\"e f\"g h" << QStringList{"a\\\\b", "de fg", "h"};
        QTest::newRow("odd backslashes before a quote") << "a\\\\\\\"b c d" << QStringList{"a\\\"b", "c", "d"};
        QTest::newRow("even backslashes before a quote")
            << "a\\\\\\\\\"b c\" d e" << QStringList{"a\\\\b c", "d", "e"};
        QTest::newRow("doubled quote inside quotes") << "a\"b\"\" c d" << QStringList{"ab\"", "c", "d"};
        // Further cases around the same rules.
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("only blanks and tabs") << " \t  " << QStringList{};
        QTest::newRow("runs of blanks") << "  -m 9   -f 0  " << QStringList{"-m", "9", "-f", "0"};
        QTest::newRow("tab separates") << "a\tb" << QStringList{"a", "b"};
        QTest::newRow("empty quoted argument") << "a \"\" b" << QStringList{"a", "", "b"};
        QTest::newRow("unclosed quote runs to the end") << "a \"b c" << QStringList{"a", "b c"};
        QTest::newRow("trailing backslashes") << "a\\\\ b\\" << QStringList{"a\\\\", "b\\"};
        QTest::newRow("escaped quote alone") << "\\\"" << QStringList{"\""};
        QTest::newRow("quote joins neighbours") << "x\"y z\"w" << QStringList{"xy zw"};
        QTest::newRow("shell characters are data") << "$(id) `id` ;|&>" << QStringList{"$(id)", "`id`", ";|&>"};
        QTest::newRow("blanks kept inside quotes") << "\"  a  \"" << QStringList{"  a  "};
    }
    void microsoftRules()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(splitWindowsArguments(text), expected);
    }

    void emulatorArguments_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("rom");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("typical road") << "snes9x.exe -m 10 -f 0 -stereo  -ratio 1+ -h 100 GAME.SMC" << "GAME.SMC"
                                      << QStringList{"-m", "10", "-f", "0", "-stereo", "-ratio", "1+", "-h",
                                                     "100", "GAME.SMC"};
        QTest::newRow("ROM with blanks is one argument")
            << "snes9x.exe -m 9 My Game (USA).sfc" << "My Game (USA).sfc"
            << QStringList{"-m", "9", "My Game (USA).sfc"};
        QTest::newRow("ROM with shell text is data")
            << "snes9x.exe -m 9 $(touch pwned); x.smc" << "$(touch pwned); x.smc"
            << QStringList{"-m", "9", "$(touch pwned); x.smc"};
        QTest::newRow("ROM with quotes and backslashes unchanged")
            << "snes9x.exe -m 9 a\\\"b\" c\\" << "a\\\"b\" c\\" << QStringList{"-m", "9", "a\\\"b\" c\\"};
        QTest::newRow("empty ROM gives no argument") << "snes9x.exe -m 9 " << "" << QStringList{"-m", "9"};
        QTest::newRow("blank ROM is kept") << "snes9x.exe -m 9  " << " " << QStringList{"-m", "9", " "};
        QTest::newRow("cheat codes with quotes are split by the rules")
            << "snes9x.exe -gg \"A B\" C\\\"D  G.smc" << "G.smc" << QStringList{"-gg", "A B", "C\"D", "G.smc"};
        QTest::newRow("ROM text not at the end is not guessed") << "snes9x.exe -m 9 X" << "Y"
                                                                << QStringList{"-m", "9", "X"};
    }
    void emulatorArguments()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, rom);
        QFETCH(QStringList, expected);
        QCOMPARE(tavik::emulatorArguments(commandLine, rom), expected);
    }
};

QTEST_GUILESS_MAIN(ArgumentSplitterTest)
#include "test_argumentsplitter.moc"
