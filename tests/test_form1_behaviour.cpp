// The main window driven through its real controls: the launch press, the
// exit question, the close box and the logo's About window and sound.
#include "appearance/appearance.h"
#include "app/programwindows.h"
#include "infowindows/about.h"
#include "launch/commandlinecomposer.h"
#include "mainwindow/form1.h"
#include "support/fakeplatform.h"
#include "ui_about.h"
#include "ui_form1.h"

#include <QTest>
#include <QTimer>

using namespace tavik;
using tavik::testing::FakePlatform;

namespace {

void typeInto(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

void typeInto(QComboBox *combo, const QString &text) { typeInto(combo->lineEdit(), text); }

void click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

void pressKeys(QWidget *widget, Qt::Key key, int times)
{
    widget->setFocus();
    for (int i = 0; i < times; ++i)
        QTest::keyClick(widget, key);
}

} // namespace

class Form1BehaviourTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<ProgramWindows> windows;
    int quits = 0;
    Form1 *form = nullptr;
    Ui::Form1 *ui = nullptr;

private slots:
    void initTestCase() { setUpAppearance(); }

    void init()
    {
        platform = std::make_unique<FakePlatform>();
        windows = std::make_unique<ProgramWindows>(*platform);
        quits = 0;
        windows->quitEventLoop = [this] { ++quits; };
        form = windows->form1();
        ui = &form->controls();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        // The panels are shown directly here so that their controls take clicks.
        for (QWidget *panel : {ui->VidOpt, ui->SoundOpt, ui->RomOpt, ui->JoyOpt, ui->MiscOpt, ui->GcheatOpt})
            panel->show();
    }

    void cleanup()
    {
        windows.reset();
        platform.reset();
    }

    void loadStepSetsTheVideoMode() { QCOMPARE(windows->form1()->videoModeInForce(), QStringLiteral("-m 9 ")); }

    void launchPress_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("events");
        const QString noRom = QStringLiteral("notice: You haven't picked a SNES ROM Yet!");
        QTest::newRow("no ROM picked") << "" << QStringList{noRom};
        QTest::newRow("opening state with a ROM")
            << "rom" << QStringList{"start: snes9x.exe -m 9 -f 0  -ratio 1+ -h 100 GAME.SMC"};
        QTest::newRow("options picked")
            << "rom example2"
            << QStringList{"start: snes9x.exe -m 10 -h -tr -f 2 -stereo  -6 -ratio 2+ -r 5 -h 90 "
                           "-gf C2A4-6D4F  DD38-4D9A        GAME.SMC"};
        QTest::newRow("bad values without a ROM: notices first, the ROM message last")
            << "bad" << QStringList{"notice: " + QStringLiteral("Please select an appropriate range of 128-4096 in the Sound Buffersize Box"), "notice: " + QStringLiteral("Choosing a number below 85 CPU cycles can produce strange effects"),
                                    "notice: " + QStringLiteral("Please select a percentage of CPU cycles of 0 to 200. The default value will be used instead."), noRom};
        QTest::newRow("bad values do not stop the start")
            << "rom bad" << QStringList{"notice: " + QStringLiteral("Please select an appropriate range of 128-4096 in the Sound Buffersize Box"), "notice: " + QStringLiteral("Choosing a number below 85 CPU cycles can produce strange effects"),
                                        "notice: " + QStringLiteral("Please select a percentage of CPU cycles of 0 to 200. The default value will be used instead."),
                                        "start: snes9x.exe -m 9 -f 0  -ratio 1+ -h 100 GAME.SMC"};
        QTest::newRow("failed start is reported")
            << "rom fail" << QStringList{"start: snes9x.exe -m 9 -f 0  -ratio 1+ -h 100 GAME.SMC",
                                         "notice: snes9x.exe could not be found"};
    }
    void launchPress()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, events);
        if (setup.contains(QLatin1String("rom")))
            ui->ROMLOAD->setText(QStringLiteral("GAME.SMC"));
        if (setup.contains(QLatin1String("example2"))) {
            typeInto(ui->cmbVideo, QStringLiteral("640x480 - 16bit"));
            click(ui->Hires);
            click(ui->Trans);
            click(ui->StereoSound);
            pressKeys(ui->Frameskip, Qt::Key_Right, 2);
            click(ui->Joy6);
            pressKeys(ui->SoundRatio, Qt::Key_Right, 1);
            ui->cmbSoundPlbk->setCurrentIndex(ui->cmbSoundPlbk->findText(QStringLiteral("5 - 29300")));
            typeInto(ui->Scanlines, QStringLiteral("90"));
            click(ui->CheatOn);
            click(ui->GoldFinger);
            click(ui->Code1On);
            typeInto(ui->GCode1, QStringLiteral("C2A4-6D4F"));
            typeInto(ui->GCode2, QStringLiteral("IGNORED"));
            click(ui->Code3ON);
            typeInto(ui->GCode3, QStringLiteral("DD38-4D9A"));
        }
        if (setup.contains(QLatin1String("bad"))) {
            typeInto(ui->SoundBuffersize, QStringLiteral("12"));
            typeInto(ui->Scanlines, QStringLiteral("-5"));
        }
        if (setup.contains(QLatin1String("fail")))
            platform->startProblem = QStringLiteral("snes9x.exe could not be found");

        const LaunchSettings before = form->readLaunchSettings();
        click(ui->Start);
        QCOMPARE(platform->events, events);
        // Nothing on the window changes.
        const LaunchSettings after = form->readLaunchSettings();
        QCOMPARE(after.ROMLOAD, before.ROMLOAD);
        QCOMPARE(after.Scanlines, before.Scanlines);
        QCOMPARE(after.cmbVideo, before.cmbVideo);
        QVERIFY(form->isVisible() && form->isEnabled());
    }

    void videoModeKeptAcrossPresses()
    {
        ui->ROMLOAD->setText(QStringLiteral("GAME.SMC"));
        ui->cmbVideo->setCurrentIndex(ui->cmbVideo->findText(QStringLiteral("800x600 - 8bit")));
        click(ui->Start);
        typeInto(ui->cmbVideo, QStringLiteral("abc"));
        click(ui->Start);
        click(ui->Start);
        QCOMPARE(platform->startedCommandLines.size(), 3);
        for (const QString &line : platform->startedCommandLines)
            QVERIFY2(line.startsWith(QStringLiteral("snes9x.exe -m 8 ")), qPrintable(line));
    }

    void hiddenPanelsStillCount()
    {
        click(ui->NoMasterVol);
        for (QWidget *panel : {ui->VidOpt, ui->SoundOpt, ui->RomOpt, ui->JoyOpt, ui->MiscOpt, ui->GcheatOpt})
            panel->hide();
        ui->ROMLOAD->setText(QStringLiteral("G.smc"));
        click(ui->Start);
        QCOMPARE(platform->startedCommandLines, QStringList{"snes9x.exe -m 9 -f 0 -nmv -ratio 1+ -h 100 G.smc"});
    }

    void romFieldIgnoresTyping()
    {
        ui->ROMLOAD->setFocus();
        QTest::keyClicks(ui->ROMLOAD, "abc");
        QTest::keyClick(ui->ROMLOAD, Qt::Key_Backspace);
        QCOMPARE(ui->ROMLOAD->text(), QStringLiteral("Select a SNES Rom File"));
    }

    void exitQuestion_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("Yes ends the program") << true;
        QTest::newRow("No changes nothing") << false;
    }
    void exitQuestion()
    {
        QFETCH(bool, answer);
        click(ui->NoJoy);
        platform->yesNoAnswers.enqueue(answer);
        click(ui->quit);
        QCOMPARE(platform->events, QStringList{"ask: Do you want to quit?"});
        QCOMPARE(quits, answer ? 1 : 0);
        if (!answer) {
            QVERIFY(form->isVisible());
            QVERIFY(ui->NoJoy->isChecked());
            QVERIFY(ui->SoundOpt->isVisible());
        }
    }

    void closeBoxEndsWithoutAsking()
    {
        QVERIFY(form->close());
        QCOMPARE(quits, 1);
        QVERIFY(platform->events.isEmpty());
        QTest::qWait(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!windows->isForm1Loaded());
    }

    void logoShowsAboutThenPlaysSound_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("About's button") << false;
        QTest::newRow("About's close box") << true;
    }
    void logoShowsAboutThenPlaysSound()
    {
        QFETCH(bool, byCloseBox);
        bool aboutWasShown = false;
        QTimer::singleShot(0, this, [&] {
            About *about = windows->about();
            aboutWasShown = about->isVisible() && about->isModal();
            QVERIFY(platform->events.isEmpty()); // no sound while About is up
            if (byCloseBox)
                about->close();
            else
                click(about->controls().Command1);
        });
        bool aboutGoneDuringSound = false;
        platform->duringSound = [&] {
            aboutGoneDuringSound = !windows->isAboutLoaded() || !windows->about()->isVisible();
        };
        QTest::mouseClick(ui->Picture1, Qt::LeftButton);
        QVERIFY(aboutWasShown);
        QVERIFY(aboutGoneDuringSound);
        QCOMPARE(platform->events, QStringList{"sound: qblaster.wav"});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(windows->isAboutLoaded(), !byCloseBox);
    }
};

QTEST_MAIN(Form1BehaviourTest)
#include "test_form1_behaviour.moc"
