// A ROM from outside: a file given at the start and drops on the main
// window, as the ROM field, the chooser and the user see them.
#include "app/programwindows.h"
#include "appearance/appearance.h"
#include "mainwindow/form1.h"
#include "romchooser/folderlist.h"
#include "support/controls.h"
#include "support/fakeemulator.h"
#include "support/fakeplatform.h"

#include <QMimeData>
#include <QTest>

using namespace tavik;

class OpenFileTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpStyleAndFaces(); }

    // `how`: "start" (the program's file), "drop" (on the window), "field"
    // (on a cheat code field), "modal" (on the window under the GrIP dialog);
    // `chooser`: where the ROM chooser opened, if it did.
    void fileFromOutside_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("uris");
        QTest::addColumn<int>("actions");
        QTest::addColumn<QString>("romField"); // empty: unchanged, and the drag refused
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("chooser");
        const int copy = Qt::CopyAction | Qt::MoveAction;
        const QByteArray rom("file://@/roms/GAME.SMC");
        QTest::newRow("start, missing") << "start" << QByteArray("gone.smc") << 0 << "" << "\"gone.smc\": there is no" << "";
        QTest::newRow("drop") << "drop" << rom + "\r\n" << copy << "GAME.SMC" << "" << "";
        QTest::newRow("drop on a field") << "field" << rom << copy << "GAME.SMC" << "" << "";
        QTest::newRow("drop, not UTF-8") << "drop" << QByteArray("file://@/roms/Pok%E9mon.smc") << copy
                                         << fileNameFromBytes("Pok\xe9mon.smc") << "" << "";
        QTest::newRow("only a move") << "drop" << rom << int(Qt::MoveAction) << "" << "" << "";
        QTest::newRow("two files") << "drop" << rom + "\n" + rom << copy << "" << "" << "";
        QTest::newRow("web address") << "field" << QByteArray("https://example.com/GAME.SMC") << copy << "" << "" << "";
        QTest::newRow("start, a folder") << "start" << QByteArray("file://@/roms") << 0 << "" << "" << "@/roms";
        QTest::newRow("under a modal") << "modal" << rom << copy << "" << "" << "";
    }
    void fileFromOutside()
    {
        QFETCH(QString, how);
        QFETCH(QByteArray, uris);
        QFETCH(int, actions);
        QFETCH(QString, romField);
        QFETCH(QString, notice);
        QFETCH(QString, chooser);
        QTemporaryDir dir;
        testing::WorkingFolderGuard back;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        QVERIFY(QDir(root).mkdir(QStringLiteral("roms")) && QDir::setCurrent(root));
        testing::writeFile(QStringLiteral("roms/GAME.SMC"));
        testing::makeByBytes(QStringLiteral("roms/") + fileNameFromBytes("Pok\xe9mon.smc"), false);
        uris.replace('@', QFile::encodeName(root));
        // Each time the chooser is up: where it opened; then it is closed.
        QStringList opened;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&opened] {
            if (QWidget *modal = QApplication::activeModalWidget(); modal && modal->objectName() == u"Form5") {
                opened << testing::control<FolderList>(modal, QStringLiteral("Dir1"))->path();
                modal->close();
            }
        });
        watch.start(10);
        testing::FakePlatform platform;
        ProgramWindows windows(platform);
        if (how == u"start")
            windows.openAtStart(QString::fromUtf8(uris));
        windows.showMainWindow();
        Form1 *form = testing::loadedWindow<Form1>();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        if (how == u"modal")
            windows.showGripInfo();
        auto *field = testing::control<QLineEdit>(form, QStringLiteral("GCode1"));
        QWidget *target = how == u"field" ? static_cast<QWidget *>(field) : form;
        if (how != u"start") {
            QMimeData data;
            data.setData(QStringLiteral("text/uri-list"), uris);
            data.setText(QString::fromUtf8(uris));
            const QPoint at = target->rect().center();
            // The pointer shows the answer to the drag's entry; a drop is
            // never a move, after which the source could delete the file,
            // not even when Shift held down proposes one.
            QDragEnterEvent enter(at, Qt::DropActions(actions), &data, Qt::LeftButton, Qt::ShiftModifier);
            QDropEvent drop(at, Qt::DropActions(actions), &data, Qt::LeftButton, Qt::ShiftModifier);
            for (QDropEvent *event : {static_cast<QDropEvent *>(&enter), &drop}) {
                QApplication::sendEvent(target, event);
                QCOMPARE(event->isAccepted(), !romField.isEmpty());
                QVERIFY(!event->isAccepted() || event->dropAction() == Qt::CopyAction);
            }
        }
        QCoreApplication::processEvents();
        const bool taken = !romField.isEmpty();
        QCOMPARE(testing::control<QLineEdit>(form, QStringLiteral("ROMLOAD"))->text(),
                 taken ? romField : QStringLiteral("Select a SNES Rom File"));
        QCOMPARE(platform.notices.size(), notice.isEmpty() ? 0 : 1);
        QVERIFY(notice.isEmpty() || platform.notices.front().contains(notice));
        if (taken && how != u"modal") {
            // The emulator runs in the ROM's folder.
            QTest::mouseClick(testing::control<QPushButton>(form, QStringLiteral("Start")), Qt::LeftButton);
            QCOMPARE(platform.starts.size(), 1);
            QCOMPARE(platform.starts[0].runFolder, root + QStringLiteral("/roms"));
        }
        QCOMPARE(field->text(), QString()); // a file's address is no cheat code
        if (!chooser.isEmpty()) {
            QTRY_COMPARE(opened, QStringList{chooser.replace(u'@', root)});
            windows.showRomChooserModal(); // opened again, it starts there still
            QCOMPARE(opened, QStringList({chooser, chooser}));
        }
        QCOMPARE(opened.isEmpty(), chooser.isEmpty());
    }
};

QTEST_MAIN(OpenFileTest)
#include "test_openfile.moc"
