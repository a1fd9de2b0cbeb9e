// The main window driven through its real controls: the launch press, the
// exit question, the close box and the logo's About window and sound.
#include "app/programwindows.h"
#include "infowindows/about.h"
#include "infowindows/help.h"
#include "launch/commandlinecomposer.h"
#include "mainwindow/form1.h"
#include "support/controls.h"
#include "support/fakeplatform.h"
#include "support/mainwindow.h"

#include <QTest>
#include <QTimer>

using namespace tavik;
using namespace Qt::StringLiterals;
using tavik::testing::control;
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

// The windows still shown when the program's loop is asked to end, before Qt
// closes what is left: the program's end hides every window itself.
struct ShownAtQuit : QObject {
    QStringList windows;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != qApp || event->type() != QEvent::Quit)
            return false;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->isVisible())
                windows << window->objectName();
        return false;
    }
};

} // namespace

class Form1BehaviourTest : public testing::MainWindowTest {
    Q_OBJECT

    // The six option panels, by their names in the layout.
    QList<QWidget *> panels()
    {
        QList<QWidget *> found;
        for (const char *name : {"VidOpt", "SoundOpt", "RomOpt", "JoyOpt", "MiscOpt", "GcheatOpt"})
            found.append(control(form, QString::fromLatin1(name)));
        return found;
    }

private slots:
    void init()
    {
        MainWindowTest::init();
        // The panels are shown directly here so that their controls take clicks.
        for (QWidget *panel : panels())
            panel->show();
    }

    void launchPress_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("no ROM picked") << "" << QStringList{"notice: You haven't picked a SNES ROM Yet!"};
        QTest::newRow("opening state with a ROM")
            << "rom" << QStringList{"start: snes9x.exe -m 9 -f 0  -ratio 1+ -h 100 GAME.SMC"};
        QTest::newRow("options picked")
            << "rom example2"
            << QStringList{"start: snes9x.exe -m 10 -h -tr -f 2 -stereo  -6 -ratio 2+ -r 5 -h 90 "
                           "-gf C2A4-6D4F  DD38-4D9A        GAME.SMC"};
        QTest::newRow("bad values do not stop the start")
            << "rom bad"
            << QStringList{"notice: Please select an appropriate range of 128-4096 in the Sound Buffersize Box",
                           "notice: Choosing a number below 85 CPU cycles can produce strange effects",
                           "notice: Please select a percentage of CPU cycles of 0 to 200. The default value will be "
                           "used instead.",
                           "start: snes9x.exe -m 9 -f 0  -ratio 1+ -h 100 GAME.SMC"};
        QTest::newRow("bad values, then no ROM")
            << "bad" << QStringList{"notice: Please select an appropriate range of 128-4096 in the Sound Buffersize Box",
                                    "notice: Choosing a number below 85 CPU cycles can produce strange effects",
                                    "notice: Please select a percentage of CPU cycles of 0 to 200. The default value "
                                    "will be used instead.",
                                    "notice: You haven't picked a SNES ROM Yet!"};
        QTest::newRow("sound and joystick disabled")
            << "rom nosound nojoy" << QStringList{"start: snes9x.exe -m 9 -f 0 -nosound  -j -ratio 1+ -h 100 GAME.SMC"};
        QTest::newRow("failed start is reported")
            << "rom fail" << QStringList{"start: snes9x.exe -m 9 -f 0  -ratio 1+ -h 100 GAME.SMC",
                                         "notice: snes9x.exe could not be found"};
    }
    void launchPress()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, events);
        if (setup.contains(QLatin1String("rom")))
            control<QLineEdit>(form, u"ROMLOAD"_s)->setText(QStringLiteral("GAME.SMC"));
        if (setup.contains(QLatin1String("example2"))) {
            typeInto(control<QComboBox>(form, u"cmbVideo"_s), QStringLiteral("640x480 - 16bit"));
            click(control<QCheckBox>(form, u"Hires"_s));
            click(control<QCheckBox>(form, u"Trans"_s));
            click(control<QRadioButton>(form, u"StereoSound"_s));
            pressKeys(control<QSlider>(form, u"Frameskip"_s), Qt::Key_Right, 2);
            click(control<QRadioButton>(form, u"Joy6"_s));
            pressKeys(control<QSlider>(form, u"SoundRatio"_s), Qt::Key_Right, 1);
            auto *playback = control<QComboBox>(form, u"cmbSoundPlbk"_s);
            playback->setCurrentIndex(playback->findText(QStringLiteral("5 - 29300")));
            typeInto(control<QLineEdit>(form, u"Scanlines"_s), QStringLiteral("90"));
            click(control<QCheckBox>(form, u"CheatOn"_s));
            click(control<QRadioButton>(form, u"GoldFinger"_s));
            click(control<QCheckBox>(form, u"Code1On"_s));
            typeInto(control<QLineEdit>(form, u"GCode1"_s), QStringLiteral("C2A4-6D4F"));
            typeInto(control<QLineEdit>(form, u"GCode2"_s), QStringLiteral("IGNORED"));
            click(control<QCheckBox>(form, u"Code3ON"_s));
            typeInto(control<QLineEdit>(form, u"GCode3"_s), QStringLiteral("DD38-4D9A"));
        }
        if (setup.contains(QLatin1String("nosound")))
            click(control<QCheckBox>(form, u"DisableSound"_s));
        if (setup.contains(QLatin1String("nojoy")))
            click(control<QCheckBox>(form, u"NoJoy"_s));
        if (setup.contains(QLatin1String("bad"))) {
            typeInto(control<QLineEdit>(form, u"SoundBuffersize"_s), QStringLiteral("12"));
            typeInto(control<QLineEdit>(form, u"Scanlines"_s), QStringLiteral("-5"));
        }
        if (setup.contains(QLatin1String("fail")))
            platform->startOutcome = Outcome::failed(QStringLiteral("snes9x.exe could not be found"));

        const auto texts = [this] {
            return QStringList{control<QLineEdit>(form, u"ROMLOAD"_s)->text(),
                               control<QLineEdit>(form, u"Scanlines"_s)->text(),
                               control<QComboBox>(form, u"cmbVideo"_s)->currentText()};
        };
        const QStringList before = texts();
        click(control<QPushButton>(form, u"Start"_s));
        QCOMPARE(platform->events, events);
        // Nothing on the window changes.
        QCOMPARE(texts(), before);
        QVERIFY(form->isVisible() && form->isEnabled());
    }

    void videoModeKeptAcrossPresses()
    {
        control<QLineEdit>(form, u"ROMLOAD"_s)->setText(QStringLiteral("GAME.SMC"));
        auto *video = control<QComboBox>(form, u"cmbVideo"_s);
        video->setCurrentIndex(video->findText(QStringLiteral("800x600 - 8bit")));
        click(control<QPushButton>(form, u"Start"_s));
        typeInto(control<QComboBox>(form, u"cmbVideo"_s), QStringLiteral("abc"));
        click(control<QPushButton>(form, u"Start"_s));
        click(control<QPushButton>(form, u"Start"_s));
        QCOMPARE(platform->starts.size(), 3);
        for (const auto &start : platform->starts)
            QVERIFY2(start.command.commandLine().startsWith(u"snes9x.exe -m 8 "_s), qPrintable(start.command.commandLine()));
    }

    void hiddenPanelsStillCount()
    {
        click(control<QCheckBox>(form, u"NoMasterVol"_s));
        for (QWidget *panel : panels())
            panel->hide();
        control<QLineEdit>(form, u"ROMLOAD"_s)->setText(QStringLiteral("G.smc"));
        click(control<QPushButton>(form, u"Start"_s));
        QCOMPARE(platform->starts.size(), 1);
        QCOMPARE(platform->starts[0].command.commandLine(), u"snes9x.exe -m 9 -f 0 -nmv -ratio 1+ -h 100 G.smc"_s);
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
        click(control<QCheckBox>(form, u"NoJoy"_s));
        click(control<QPushButton>(form, u"HelpOn"_s));
        platform->yesNoAnswers.enqueue(answer);
        // Clicked in the program's own loop, which Yes ends; otherwise the
        // test ends it with 2 once the click has been handled.
        QGuiApplication::setQuitOnLastWindowClosed(false); // as the program runs
        ShownAtQuit shownAtQuit;
        qApp->installEventFilter(&shownAtQuit);
        QObject during;
        QTimer::singleShot(0, &during, [&] {
            click(control<QPushButton>(form, u"quit"_s));
            QTimer::singleShot(0, &during, [] { QCoreApplication::exit(2); });
        });
        QCOMPARE(QCoreApplication::exec(), answer ? 0 : 2);
        QCOMPARE(shownAtQuit.windows, QStringList());
        QCOMPARE(platform->events, QStringList{"ask: Do you want to quit?"});
        // Yes: every window goes.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(!testing::loadedWindow<Form1>(), answer);
        QCOMPARE(!testing::loadedWindow<Help>(), answer);
        if (!answer) {
            QVERIFY(form->isVisible() && testing::loadedWindow<Help>()->isVisible());
            QVERIFY(control<QCheckBox>(form, u"NoJoy"_s)->isChecked());
            QVERIFY(control<QFrame>(form, u"SoundOpt"_s)->isVisible());
        }
    }

    void closeBoxEndsWithoutAsking()
    {
        QVERIFY(form->close());
        QVERIFY(platform->events.isEmpty());
        QTest::qWait(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!testing::loadedWindow<Form1>());
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
            About *about = testing::loadedWindow<About>();
            aboutWasShown = about->isVisible() && about->isModal();
            QVERIFY(platform->events.isEmpty()); // no sound while About is up
            if (byCloseBox)
                about->close();
            else
                click(control<QPushButton>(about, u"Command1"_s));
        });
        bool aboutGoneDuringSound = false;
        platform->duringSound = [&] {
            aboutGoneDuringSound = !testing::loadedWindow<About>() || !testing::loadedWindow<About>()->isVisible();
        };
        QTest::mouseClick(control(form, u"Picture1"_s), Qt::LeftButton);
        QVERIFY(aboutWasShown);
        QVERIFY(aboutGoneDuringSound);
        QCOMPARE(platform->events, QStringList{"sound: qblaster.wav"});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(testing::loadedWindow<About>() != nullptr, !byCloseBox);
    }
};

QTEST_MAIN(Form1BehaviourTest)
#include "test_form1_behaviour.moc"
