// Program lookup and the real, detached start of a fake emulator in temporary folders.
#include "platform/emulatorstart.h"
#include "platform/programlookup.h"
#include "support/fakeemulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tavik;
using namespace tavik::testing;

namespace {

const QString emulatorName = QStringLiteral("snes9x.exe");

} // namespace

class EmulatorStartTest : public QObject {
    Q_OBJECT

private slots:
    void lookupOrder_data()
    {
        QTest::addColumn<QStringList>("holders"); // folders that hold a snes9x.exe
        QTest::addColumn<QString>("winner");
        QTest::newRow("launcher folder first") << QStringList{"launcher", "working", "path1"} << "launcher";
        QTest::newRow("then the working folder") << QStringList{"working", "path1"} << "working";
        QTest::newRow("then PATH in order") << QStringList{"path2", "path1"} << "path1";
        QTest::newRow("last PATH folder") << QStringList{"path2"} << "path2";
        QTest::newRow("nowhere") << QStringList{} << "";
    }
    void lookupOrder()
    {
        QFETCH(QStringList, holders);
        QFETCH(QString, winner);
        QTemporaryDir root;
        QDir dir(root.path());
        for (const char *name : {"launcher", "working", "path1", "path2", "decoy"})
            QVERIFY(dir.mkdir(QString::fromLatin1(name)));
        // A folder of that name is not a program and never wins.
        QVERIFY(dir.mkpath(QStringLiteral("decoy/") + emulatorName));
        for (const QString &holder : holders)
            writeFile(dir.filePath(holder + QLatin1Char('/') + emulatorName), "#!/bin/sh\n", true);
        const QString path = QStringList{dir.filePath("decoy"), QString(), dir.filePath("path1"),
                                         dir.filePath("path2")}
                                 .join(QLatin1Char(':'));
        const QStringList folders =
            programSearchFolders(dir.filePath("launcher"), dir.filePath("working"), path);
        QCOMPARE(folders.size(), 5);
        const QString found = findProgram(emulatorName, folders);
        QCOMPARE(found, winner.isEmpty() ? QString() : dir.filePath(winner + QLatin1Char('/') + emulatorName));
    }

    void startsRealProcessWithDataArguments_data()
    {
        QTest::addColumn<QString>("rom");
        QTest::newRow("plain") << "GAME.SMC";
        QTest::newRow("blanks and brackets") << "My Game (USA).sfc";
        QTest::newRow("shell text") << "$(touch pwned); x.smc";
        QTest::newRow("quotes and backslashes") << "a \"b\" \\c\\\".smc";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Gämé – ★.sfc");
    }
    void startsRealProcessWithDataArguments()
    {
        QFETCH(QString, rom);
        QTemporaryDir launcher, working;
        const QString record = working.filePath(QStringLiteral("received.txt"));
        writeFile(launcher.filePath(emulatorName), recorderScript(record), true);

        const QString commandLine = QStringLiteral("snes9x.exe -m 10 -f 0 -stereo  -ratio 1+ -h 100 ") + rom;
        const QString problem = StartEmulator(commandLine, rom, {}, {launcher.path(), working.path(), {}});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));

        const QStringList received = waitForRecord(record);
        QCOMPARE(received, QStringList({QDir(working.path()).canonicalPath(), "-m", "10", "-f", "0", "-stereo",
                                        "-ratio", "1+", "-h", "100", rom}));
        QVERIFY(!QFile::exists(working.filePath(QStringLiteral("pwned"))));
    }

    void runsInTheRomsFolder_data()
    {
        QTest::addColumn<bool>("romFolderGiven");
        QTest::newRow("in the ROM's folder") << true;
        QTest::newRow("no ROM folder: in the working folder") << false;
    }
    void runsInTheRomsFolder()
    {
        QFETCH(bool, romFolderGiven);
        QTemporaryDir launcher, working, roms;
        const QString record = working.filePath(QStringLiteral("received.txt"));
        writeFile(launcher.filePath(emulatorName), recorderScript(record), true);

        const QString romFolder = romFolderGiven ? roms.path() : QString();
        const QString problem = StartEmulator(QStringLiteral("snes9x.exe -m 9 Game.smc"), QStringLiteral("Game.smc"),
                                              romFolder, {launcher.path(), working.path(), {}});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const QString expected = QDir(romFolderGiven ? roms.path() : working.path()).canonicalPath();
        QCOMPARE(waitForRecord(record), QStringList({expected, "-m", "9", "Game.smc"}));
    }

    void vanishedRomFolderIsReported()
    {
        QTemporaryDir launcher, working;
        writeFile(launcher.filePath(emulatorName), "#!/bin/sh\n", true);
        const QString gone = working.filePath(QStringLiteral("removed since"));
        const QString problem = StartEmulator(QStringLiteral("snes9x.exe -m 9 G.smc"), QStringLiteral("G.smc"), gone,
                                              {launcher.path(), working.path(), {}});
        QVERIFY2(problem.contains(gone) && problem.contains(QStringLiteral("no longer exists")), qPrintable(problem));
    }

    void windowsProgramRunsThroughWine()
    {
        QTemporaryDir launcher, working, bin;
        const QString record = working.filePath(QStringLiteral("received.txt"));
        writeFile(launcher.filePath(emulatorName), "MZ\x90\x00 not really a program", false);
        writeFile(bin.filePath(QStringLiteral("wine")), recorderScript(record), true);

        const QString problem = StartEmulator(QStringLiteral("snes9x.exe -m 9 My Game.sfc"),
                                              QStringLiteral("My Game.sfc"), {},
                                              {launcher.path(), working.path(), bin.path()});
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(waitForRecord(record),
                 QStringList({QDir(working.path()).canonicalPath(), launcher.filePath(emulatorName), "-m", "9",
                              "My Game.sfc"}));
    }

    void failureReasons_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("not found names the folders") << "none" << "could not be found";
        QTest::newRow("not executable") << "plain" << "is not executable";
        QTest::newRow("Windows program without wine") << "mz" << "wine";
        QTest::newRow("refused by the system") << "badinterpreter" << "refused";
    }
    void failureReasons()
    {
        QFETCH(QString, setup);
        QFETCH(QString, reasonPart);
        QTemporaryDir launcher, working, emptyBin;
        const QString program = launcher.filePath(emulatorName);
        if (setup == QLatin1String("plain"))
            writeFile(program, "#!/bin/sh\n", false);
        else if (setup == QLatin1String("mz"))
            writeFile(program, "MZ", true);
        else if (setup == QLatin1String("badinterpreter"))
            writeFile(program, "#!/nonexistent/interpreter\n", true);

        const QString problem = StartEmulator(QStringLiteral("snes9x.exe -m 9 G.smc"), QStringLiteral("G.smc"), {},
                                              {launcher.path(), working.path(), emptyBin.path()});
        QVERIFY2(problem.contains(reasonPart), qPrintable(problem));
        if (setup == QLatin1String("none")) {
            for (const QString &folder : {launcher.path(), working.path(), emptyBin.path()})
                QVERIFY2(problem.contains(folder), qPrintable(problem));
        }
    }
};

QTEST_GUILESS_MAIN(EmulatorStartTest)
#include "test_emulatorstart.moc"
