// The splash's timed hand-over to the main window, and its dismissal by a key.
#include "appearance/appearance.h"
#include "app/programwindows.h"
#include "infowindows/frmsplash.h"
#include "mainwindow/form1.h"
#include "support/controls.h"
#include "support/fakeplatform.h"

#include <QDir>
#include <QTest>
#include <QTimer>

using namespace tavik;

namespace {

// Calls back when the watched widget is hidden.
struct WhenHidden : QObject {
    std::function<void()> then;
    explicit WhenHidden(std::function<void()> f) : then(std::move(f)) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            then();
        return false;
    }
};

} // namespace

class SplashTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpStyleAndFaces(); }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("dismisses");
        QTest::newRow("letter") << int(Qt::Key_A) << true;
        QTest::newRow("digit") << int(Qt::Key_5) << true;
        QTest::newRow("Enter") << int(Qt::Key_Return) << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << true;
        QTest::newRow("no key") << 0 << false;
        QTest::newRow("arrow") << int(Qt::Key_Left) << false;
        QTest::newRow("Shift") << int(Qt::Key_Shift) << false;
        QTest::newRow("function key") << int(Qt::Key_F1) << false;
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(bool, dismisses);
        testing::FakePlatform platform;
        ProgramWindows windows(platform);
        FrmSplash *splash = windows.frmSplash();
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QVERIFY(!testing::loadedWindow<Form1>());
        // The hand-over waits 1.5 s; the test checks the timer and then makes
        // it fire at once rather than waiting on the clock.
        QTimer *timer = splash->findChild<QTimer *>();
        QVERIFY(timer);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 1500);
        QVERIFY(!timer->isSingleShot());
        if (key != 0)
            QTest::keyClick(splash, static_cast<Qt::Key>(key));
        if (dismisses) {
            QTRY_VERIFY(!testing::loadedWindow<FrmSplash>());
            QVERIFY(!testing::loadedWindow<Form1>());
            return;
        }
        QVERIFY(!testing::loadedWindow<Form1>());
        // A window is always up: the main window shows before the splash hides.
        bool mainShownAtHide = false;
        WhenHidden watch([&] { mainShownAtHide = testing::loadedWindow<Form1>() && testing::loadedWindow<Form1>()->isVisible(); });
        splash->installEventFilter(&watch);
        timer->start(0);
        QTRY_VERIFY(testing::loadedWindow<Form1>());
        Form1 *form = testing::loadedWindow<Form1>();
        QVERIFY(form->isVisible());
        QVERIFY(testing::loadedWindow<FrmSplash>());
        QVERIFY(!splash->isVisible());
        QVERIFY(mainShownAtHide);
        QVERIFY(!timer->isActive());
        // The main window's load step ran: a start asks for its video mode.
        form->setRomPath(QStringLiteral("game.smc"), QDir::tempPath());
        QTest::mouseClick(form->findChild<QWidget *>(QStringLiteral("Start")), Qt::LeftButton);
        QCOMPARE(platform.starts.value(0).command.commandLine().left(16), QStringLiteral("snes9x.exe -m 9 "));
        // Once handed over, the hidden splash never reacts again.
        QTest::keyClick(splash, Qt::Key_A);
        QVERIFY(form->isVisible());
    }
};

QTEST_MAIN(SplashTest)
#include "test_splash.moc"
