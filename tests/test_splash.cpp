// The splash's timed hand-over to the main window, and its dismissal by a key.
#include "appearance/appearance.h"
#include "app/windowset.h"
#include "infowindows/frmsplash.h"
#include "mainwindow/form1.h"
#include "support/fakeplatform.h"

#include <QElapsedTimer>
#include <QTest>

using namespace tavik;

class SplashTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpAppearance(); }

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
        WindowSet windows(platform);
        int quits = 0;
        windows.quitEventLoop = [&] { ++quits; };
        QElapsedTimer clock;
        clock.start();
        FrmSplash *splash = windows.frmSplash();
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QVERIFY(!windows.isForm1Loaded());
        if (key != 0) {
            QTest::qWait(300);
            QTest::keyClick(splash, static_cast<Qt::Key>(key));
        }
        if (dismisses) {
            QCOMPARE(quits, 1);
            QTest::qWait(1700);
            QVERIFY(!windows.isForm1Loaded());
            QVERIFY(!windows.isSplashLoaded());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(windows.isForm1Loaded(), 3000);
        QVERIFY2(clock.elapsed() >= 1450, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(windows.form1()->isVisible());
        QVERIFY(windows.isSplashLoaded());
        QVERIFY(!splash->isVisible());
        QVERIFY(!splash->Timer1.isActive());
        QCOMPARE(windows.videoModeSwitch, QStringLiteral("-m 9 "));
        QCOMPARE(quits, 0);
        // Once handed over, the hidden splash never reacts again.
        QTest::keyClick(splash, Qt::Key_A);
        QCOMPARE(quits, 0);
    }
};

QTEST_MAIN(SplashTest)
#include "test_splash.moc"
