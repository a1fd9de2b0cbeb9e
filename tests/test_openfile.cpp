// A ROM from outside: the command line as read, a file given at the start,
// and drops on the main window, each as the ROM field and the user see them.
#include "app/commandline.h"
#include "app/programwindows.h"
#include "appearance/appearance.h"
#include "mainwindow/form1.h"
#include "romchooser/folderlist.h"
#include "support/controls.h"
#include "support/fakeemulator.h"
#include "support/fakeplatform.h"
#include "system/filenames.h"

#include <QMimeData>
#include <QTest>

using namespace tavik;
using Action = CommandLine::Action;

class OpenFileTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpAppearance(); }

    void readCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("qtOptionsRemoved");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, QStringList args, bool late, Action action, const char *out) {
            QTest::newRow(name) << (QStringList{"tavik"} + args) << late << int(action)
                                << (action == Action::Run && late ? args.value(args.size() - 1) : QString())
                                << QString::fromUtf8(out);
        };
        row("no file", {}, true, Action::Run, "");
        row("a file", {"roms/game.smc"}, true, Action::Run, "");
        row("a file that looks like an option", {"--", "-game.smc"}, true, Action::Run, "");
        row("version, before Qt", {"--version"}, false, Action::Answer, "tavik 2.5\n");
        row("short version", {"game.smc", "-v"}, false, Action::Answer, "tavik 2.5\n");
        row("help among Qt's options", {"-platformtheme", "x", "--help"}, false, Action::Answer,
            "Usage: tavik [options] [FILE]\n");
        row("Qt's option, before Qt", {"-platform", "xcb"}, false, Action::Run, "");
        row("two files", {"a.smc", "b.smc"}, true, Action::Fail, "one file at most");
        row("unknown option", {"--bogus"}, true, Action::Fail, "Unknown option 'bogus'");
    }
    void readCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, qtOptionsRemoved);
        QFETCH(int, action);
        QFETCH(QString, file);
        QFETCH(QString, text);
        const CommandLine line = tavik::readCommandLine(arguments, qtOptionsRemoved);
        QCOMPARE(int(line.action), action);
        QCOMPARE(line.file, file);
        QVERIFY2(line.text.contains(text), qPrintable(line.text));
    }

    // `how`: "start" (the program's file), "drop" (on the window), "field"
    // (on a text field), "modal" (on the window under a modal dialog).
    void fileFromOutside_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("uris");
        QTest::addColumn<int>("actions");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("romField");
        QTest::addColumn<QString>("notice");
        const int copy = Qt::CopyAction | Qt::MoveAction, move = Qt::MoveAction;
        const QString none = QStringLiteral("Select a SNES Rom File"), game = QStringLiteral("GAME.SMC");
        QTest::newRow("start, relative") << "start" << QByteArray("roms/GAME.SMC") << 0 << true << game << "";
        QTest::newRow("start, missing") << "start" << QByteArray("gone.smc") << 0 << true << none
                                        << "\"gone.smc\": there is no such file";
        QTest::newRow("drop") << "drop" << QByteArray("file://@/roms/GAME.SMC\r\n") << copy << true << game << "";
        QTest::newRow("drop, not UTF-8") << "drop" << QByteArray("# from a file manager\nfile://@/roms/Pok%E9mon.smc")
                                         << copy << true << fileNameFromBytes("Pok\xe9mon.smc") << "";
        QTest::newRow("drop on a field") << "field" << QByteArray("file://@/roms/GAME.SMC") << copy << true << game << "";
        QTest::newRow("drop, missing") << "drop" << QByteArray("file://@/gone.smc") << copy << true << none
                                       << "gone.smc\": there is no such file";
        QTest::newRow("only a move") << "drop" << QByteArray("file://@/roms/GAME.SMC") << move << false << none << "";
        QTest::newRow("two files") << "drop" << QByteArray("file://@/roms/GAME.SMC\nfile://@/roms/GAME.SMC") << copy
                                   << false << none << "";
        QTest::newRow("web address") << "field" << QByteArray("https://example.com/GAME.SMC") << copy << false << none << "";
        QTest::newRow("under a modal") << "modal" << QByteArray("file://@/roms/GAME.SMC") << copy << false << none << "";
    }
    void fileFromOutside()
    {
        QFETCH(QString, how);
        QFETCH(QByteArray, uris);
        QFETCH(int, actions);
        QFETCH(bool, accepted);
        QFETCH(QString, romField);
        QFETCH(QString, notice);
        testing::TemporaryFolder dir;
        testing::WorkingFolderGuard back;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        QDir(root).mkpath(QStringLiteral("roms"));
        testing::writeFile(root + QStringLiteral("/roms/GAME.SMC"));
        testing::makeByBytes(root + QStringLiteral("/roms/") + fileNameFromBytes("Pok\xe9mon.smc"), false);
        QVERIFY(QDir::setCurrent(root));
        uris.replace('@', QFile::encodeName(root));

        testing::FakePlatform platform;
        ProgramWindows windows(platform);
        windows.quitEventLoop = [] {};
        if (how == u"start")
            windows.openAtStart(fileNameFromBytes(uris));
        windows.showMainWindow();
        Form1 *form = windows.form1();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        if (how == u"modal")
            windows.showGripInfo();
        QWidget *target = how == u"field" ? testing::control(form, QStringLiteral("GCode1")) : form;
        if (how != u"start") {
            QMimeData data;
            data.setData(QStringLiteral("text/uri-list"), uris);
            data.setText(QString::fromUtf8(uris));
            const auto at = QPointF(target->rect().center());
            QDragEnterEvent enter(at.toPoint(), Qt::DropActions(actions), &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            QCOMPARE(enter.isAccepted(), accepted);
            QCOMPARE(enter.dropAction(), accepted ? Qt::CopyAction : enter.dropAction());
            QDropEvent drop(at, Qt::DropActions(actions), &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &drop);
            QCOMPARE(drop.isAccepted(), accepted);
        }
        QCoreApplication::processEvents();
        QCOMPARE(testing::control<QLineEdit>(form, QStringLiteral("ROMLOAD"))->text(), romField);
        QCOMPARE(platform.notices.size(), notice.isEmpty() ? 0 : 1);
        if (!notice.isEmpty())
            QVERIFY2(platform.notices.front().contains(notice), qPrintable(platform.notices.front()));
        // The field never takes a file's address as text.
        QCOMPARE(testing::control<QLineEdit>(form, QStringLiteral("GCode1"))->text(), QString());
        QCOMPARE(form->romFolder(), romField == u"Select a SNES Rom File" ? QString() : root + QStringLiteral("/roms"));
    }

    void folderOpensTheChooserThere()
    {
        QTemporaryDir dir;
        testing::FakePlatform platform;
        ProgramWindows windows(platform);
        windows.quitEventLoop = [] {};
        const QString folder = QFileInfo(dir.path()).canonicalFilePath();
        windows.openAtStart(QStringLiteral("file://") + folder);
        // Each time the chooser is up: where it opened; then it is closed.
        QStringList opened;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&opened] {
            if (QWidget *chooser = QApplication::activeModalWidget()) {
                opened << testing::control<FolderList>(chooser, QStringLiteral("Dir1"))->path();
                chooser->close();
            }
        });
        watch.start(10);
        windows.showMainWindow();
        QTRY_COMPARE(opened.size(), 1);
        // Opened again, the chooser starts there still.
        windows.showRomChooserModal();
        QCOMPARE(opened, QStringList({folder, folder}));
        QVERIFY(platform.notices.isEmpty());
    }
};

QTEST_MAIN(OpenFileTest)
#include "test_openfile.moc"
