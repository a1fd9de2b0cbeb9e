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

    // The switch text split by the rules, then the ROM text whole.
    void emulatorArguments_data()
    {
        QTest::addColumn<QString>("switches");
        QTest::addColumn<QString>("rom");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("typical road") << "-m 10 -f 0 -stereo  -ratio 1+ -h 100 " << "GAME.SMC"
                                      << QStringList{"-m", "10", "-f", "0", "-stereo", "-ratio", "1+", "-h",
                                                     "100", "GAME.SMC"};
        QTest::newRow("ROM with blanks is one argument")
            << "-m 9 " << "My Game (USA).sfc" << QStringList{"-m", "9", "My Game (USA).sfc"};
        QTest::newRow("ROM with shell text is data")
            << "-m 9 " << "$(touch pwned); x.smc" << QStringList{"-m", "9", "$(touch pwned); x.smc"};
        QTest::newRow("ROM with quotes and backslashes unchanged")
            << "-m 9 " << "a\\\"b\" c\\" << QStringList{"-m", "9", "a\\\"b\" c\\"};
        QTest::newRow("empty ROM gives no argument") << "-m 9 " << "" << QStringList{"-m", "9"};
        QTest::newRow("blank ROM is kept") << "-m 9 " << " " << QStringList{"-m", "9", " "};
        QTest::newRow("cheat codes with quotes are split by the rules")
            << "-gg \"A B\" C\\\"D  " << "G.smc" << QStringList{"-gg", "A B", "C\"D", "G.smc"};
        // An unclosed quote in a cheat code cannot swallow the ROM: it ends
        // with the switch text.
        QTest::newRow("unclosed quote in the switches") << "-gg \"A " << "G.smc"
                                                        << QStringList{"-gg", "A ", "G.smc"};
        QTest::newRow("ROM named like a switch") << "-m 9 " << "-m 5.smc" << QStringList{"-m", "9", "-m 5.smc"};
    }
    void emulatorArguments()
    {
        QFETCH(QString, switches);
        QFETCH(QString, rom);
        QFETCH(QStringList, expected);
        QCOMPARE(tavik::emulatorArguments({QStringLiteral("snes9x.exe"), switches, rom}), expected);
    }
};

QTEST_GUILESS_MAIN(ArgumentSplitterTest)
#include "test_argumentsplitter.moc"
