// Panel switching and the four master check boxes, driven by clicks on the
// real controls.
#include "app/programwindows.h"
#include "infowindows/gripinfo.h"
#include "infowindows/readmeviewer.h"
#include "infowindows/help.h"
#include "mainwindow/form1.h"
#include "support/controls.h"
#include "support/fakeplatform.h"
#include "support/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>

using namespace tavik;
using namespace Qt::StringLiterals;
using tavik::testing::control;

namespace {

const QStringList panels{"VidOpt", "SoundOpt", "RomOpt", "JoyOpt", "MiscOpt", "GcheatOpt"};

QStringList words(const char *text) { return QString::fromLatin1(text).split(' ', Qt::SkipEmptyParts); }

// Counts the mouse presses that reach a widget.
struct PressCounter : QObject {
    int count = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::MouseButtonPress ? 1 : 0;
        return false;
    }
};

} // namespace

class InterlocksTest : public testing::MainWindowTest {
    Q_OBJECT

    QAbstractButton *button(const QString &name) { return control<QAbstractButton>(form, name); }

    int mostVisible = 0;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            int visible = 0;
            for (const QString &panel : panels)
                visible += control(form, panel)->isVisible() ? 1 : 0;
            mostVisible = qMax(mostVisible, visible);
        }
        return QObject::eventFilter(watched, event);
    }

    // Clicks a control, first showing its panel through its panel button.
    void clickOn(const QString &name)
    {
        QWidget *target = control(form, name);
        testing::showPanelOf(form, target);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    }

private slots:
    void panelSwitching_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("press");
        QTest::addColumn<QString>("shown");
        const QStringList buttons{"VideoOn", "SoundOn", "RomTypeOn", "JoystixOn", "MiscOn", "Command1"};
        for (int from = -1; from < buttons.size(); ++from) {
            for (int to = 0; to < buttons.size(); ++to) {
                const QString before = from < 0 ? QString() : buttons[from];
                QTest::addRow("%s then %s", from < 0 ? "start" : qPrintable(before), qPrintable(buttons[to]))
                    << before << buttons[to] << panels[to];
            }
        }
    }
    void panelSwitching()
    {
        QFETCH(QString, before);
        QFETCH(QString, press);
        QFETCH(QString, shown);
        for (const QString &panel : panels)
            QVERIFY(!control(form, panel)->isVisible());
        if (!before.isEmpty())
            QTest::mouseClick(button(before), Qt::LeftButton);
        // Panels are only ever hidden before the new one shows: never two at once.
        mostVisible = 0;
        for (const QString &panel : panels)
            control(form, panel)->installEventFilter(this);
        QTest::mouseClick(button(press), Qt::LeftButton);
        for (const QString &panel : panels)
            QCOMPARE(control(form, panel)->isVisible(), panel == shown);
        QVERIFY(mostVisible <= 1);
    }

    void interlocks_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QStringList>("unchecked");
        QTest::addColumn<QStringList>("enabled");
        QTest::addColumn<QStringList>("disabled");
        const QStringList cartridges = words("GameGenie GoldFinger ActionReplay");
        const QStringList codeBoxes =
            words("Code1On Code2ON Code3ON Code4ON Code5ON Code6ON Code7ON Code8ON Code9ON Code10ON");
        const QStringList codeFields = words("GCode1 GCode5 GCode10");
        const QStringList manual = words("HiRom LoROM NTSC PAL IntMode NoHDMA NoSpeedHacks DisableGraphWindows");
        const QStringList soundDependants =
            words("MonoSound StereoSound NoSampleCaching NoSoundEcho NoMasterVol cmbSoundPlbk SoundRatio SoundBuffersize");
        const QStringList kinds = words("Joy4 Joy6 Joy8 JoyS");

        QTest::newRow("at start: codes enabled, cartridges disabled")
            << QStringList{} << QStringList{"GameGenie"} << codeBoxes << codeBoxes + codeFields << cartridges;
        QTest::newRow("codes can be ticked before cheating is on")
            << words("Code4ON") << words("Code4ON GameGenie") << QStringList{} << QStringList{} << cartridges;
        QTest::newRow("cheating on enables all thirteen")
            << words("CheatOn") << words("CheatOn GameGenie") << QStringList{} << cartridges + codeBoxes
            << QStringList{};
        QTest::newRow("cheating off again keeps values, disables all thirteen")
            << words("CheatOn GoldFinger Code3ON CheatOn") << words("GoldFinger Code3ON")
            << words("CheatOn GameGenie") << codeFields << cartridges + codeBoxes;
        QTest::newRow("cheating back on shows the kept values")
            << words("CheatOn Code3ON CheatOn CheatOn") << words("CheatOn Code3ON GameGenie") << QStringList{}
            << codeBoxes << QStringList{};
        QTest::newRow("disabling sound clears stereo and the three boxes")
            << words("StereoSound NoSoundEcho NoMasterVol NoSampleCaching DisableSound") << words("DisableSound")
            << words("StereoSound MonoSound NoSoundEcho NoMasterVol NoSampleCaching") << QStringList{}
            << soundDependants;
        QTest::newRow("disabling sound from the start clears mono")
            << words("DisableSound") << words("DisableSound") << words("MonoSound StereoSound") << QStringList{}
            << soundDependants;
        QTest::newRow("enabling sound again brings back mono, boxes stay clear")
            << words("StereoSound NoSoundEcho DisableSound DisableSound") << words("MonoSound")
            << words("StereoSound NoSoundEcho DisableSound") << soundDependants << QStringList{};
        QTest::newRow("manual settings on enables the eight")
            << words("EnableManualSettings") << words("EnableManualSettings") << QStringList{} << manual
            << QStringList{};
        QTest::newRow("manual settings off keeps the selections")
            << words("EnableManualSettings HiRom PAL NoHDMA EnableManualSettings") << words("HiRom PAL NoHDMA")
            << words("LoROM NTSC EnableManualSettings") << words("Frame7 Frame8") << manual;
        QTest::newRow("disabling the joystick clears the kind")
            << words("Joy6 NoJoy") << words("NoJoy") << kinds << QStringList{} << kinds;
        QTest::newRow("enabling the joystick again selects no kind")
            << words("Joy6 NoJoy NoJoy") << QStringList{} << kinds + words("NoJoy") << kinds << QStringList{};
    }
    void interlocks()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, checked);
        QFETCH(QStringList, unchecked);
        QFETCH(QStringList, enabled);
        QFETCH(QStringList, disabled);
        for (const QString &name : clicks)
            clickOn(name);
        for (const QString &name : checked)
            QVERIFY2(button(name)->isChecked(), qPrintable(name));
        for (const QString &name : unchecked)
            QVERIFY2(!button(name)->isChecked(), qPrintable(name));
        for (const QString &name : enabled)
            QVERIFY2(control(form, name)->isEnabled(), qPrintable(name));
        for (const QString &name : disabled)
            QVERIFY2(!control(form, name)->isEnabled(), qPrintable(name));
    }

    void helpAndReadmeAreSingleModelessWindows()
    {
        QTest::mouseClick(control<QPushButton>(form, u"HelpOn"_s), Qt::LeftButton);
        Help *help = testing::loadedWindow<Help>();
        QTest::mouseClick(control<QPushButton>(form, u"HelpOn"_s), Qt::LeftButton);
        QCOMPARE(testing::loadedWindow<Help>(), help);
        QTest::mouseClick(control<QPushButton>(form, u"ReadmeOn"_s), Qt::LeftButton);
        QVERIFY(help->isVisible() && testing::loadedWindow<Form3>()->isVisible());
        // The main window stays usable beside them.
        QTest::mouseClick(control<QPushButton>(form, u"SoundOn"_s), Qt::LeftButton);
        QVERIFY(control<QFrame>(form, u"SoundOpt"_s)->isVisible());
        QCOMPARE(QApplication::topLevelWidgets().count(help), 1);
    }

    // GrIP blocks only the main window: Help and the readme, opened before
    // it, still take clicks (which modality would drop before any widget).
    void helpAndReadmeTakeClicksWhileGripShows()
    {
        QTest::mouseClick(control<QPushButton>(form, u"HelpOn"_s), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(form, u"ReadmeOn"_s), Qt::LeftButton);
        clickOn("GRIPINFO");
        QVERIFY(testing::loadedWindow<Dialogbox1>()->isVisible());
        QVERIFY(!form->takesInput());
        for (QWidget *window : {static_cast<QWidget *>(testing::loadedWindow<Help>()),
                                static_cast<QWidget *>(testing::loadedWindow<Form3>())}) {
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const QPoint point = window->rect().center();
            QWidget *target = window->childAt(point) ? window->childAt(point) : window;
            PressCounter presses;
            target->installEventFilter(&presses);
            QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, point);
            QVERIFY2(presses.count == 1, qPrintable(window->objectName()));
        }
    }

    // The wrapped caption of int2 ticks its box on a left click only, and
    // only when the button comes up over it.
    void wrappedCaptionTakesOnlyALeftClick()
    {
        auto *box = control<QCheckBox>(form, u"int2"_s);
        testing::showPanelOf(form, box);
        auto *caption = box->findChild<QLabel *>();
        QVERIFY(caption);
        const bool before = box->isChecked();
        QTest::mouseClick(caption, Qt::RightButton);
        QCOMPARE(box->isChecked(), before);
        QTest::mousePress(caption, Qt::LeftButton);
        QTest::mouseRelease(caption, Qt::LeftButton, {}, QPoint(caption->width() + 5, caption->height() + 5));
        QCOMPARE(box->isChecked(), before);
        QTest::mouseClick(caption, Qt::LeftButton);
        QCOMPARE(box->isChecked(), !before);
    }

    void gripDialogBlocksTheMainWindowUntilItGoes_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("Return to Tavik") << false;
        QTest::newRow("close box") << true;
    }
    void gripDialogBlocksTheMainWindowUntilItGoes()
    {
        QFETCH(bool, byCloseBox);
        QTest::mouseClick(control<QPushButton>(form, u"HelpOn"_s), Qt::LeftButton);
        clickOn("GRIPINFO");
        Dialogbox1 *grip = testing::loadedWindow<Dialogbox1>();
        QVERIFY(grip->isVisible());
        QVERIFY(!form->takesInput());
        // The main window keeps its look: nothing on it turns grey.
        QVERIFY(form->isEnabled());
        QVERIFY(control<QPushButton>(form, u"Start"_s)->isEnabled());
        QVERIFY(testing::loadedWindow<Help>()->isEnabled());

        // Clicks, keys and close requests given to the main window on the
        // screen all go nowhere, and none is kept for later.
        platform->yesNoAnswers.enqueue(true);
        QWindow *mainWindow = form->windowHandle();
        for (QWidget *pressed : {control(form, u"quit"_s), control(form, u"Start"_s), control(form, u"SoundOn"_s)})
            QTest::mouseClick(mainWindow, Qt::LeftButton, {}, pressed->mapTo(form, pressed->rect().center()));
        QTest::keyClick(mainWindow, Qt::Key_Space);
        mainWindow->close();
        QCloseEvent closeRequest;
        QCoreApplication::sendEvent(form, &closeRequest);
        QVERIFY(!closeRequest.isAccepted());
        QVERIFY(platform->events.isEmpty());
        QVERIFY(control<QFrame>(form, u"JoyOpt"_s)->isVisible());

        if (byCloseBox)
            grip->windowHandle()->close();
        else
            QTest::mouseClick(control<QPushButton>(grip, u"Command1"_s), Qt::LeftButton);
        QVERIFY(!grip->isVisible());
        QVERIFY(form->takesInput());
        QCoreApplication::processEvents();
        QVERIFY(form->isVisible());
        QVERIFY(control<QFrame>(form, u"JoyOpt"_s)->isVisible());
        // The main window answers again.
        QWidget *soundOn = control(form, u"SoundOn"_s);
        QTest::mouseClick(mainWindow, Qt::LeftButton, {}, soundOn->mapTo(form, soundOn->rect().center()));
        QVERIFY(control<QFrame>(form, u"SoundOpt"_s)->isVisible());
    }

    void disablingSoundKeepsTexts()
    {
        clickOn("DisableSound");
        QCOMPARE(control<QLineEdit>(form, u"SoundBuffersize"_s)->text(), QStringLiteral("2560"));
        QCOMPARE(control<QComboBox>(form, u"cmbSoundPlbk"_s)->currentText(), QStringLiteral("Sound Playback Quality Rate"));
    }

    void grayedMasterChangesNothing_data()
    {
        QTest::addColumn<QString>("master");
        QTest::addColumn<QString>("dependant");
        QTest::addColumn<bool>("enabledBefore");
        QTest::newRow("CheatOn") << "CheatOn" << "Code1On" << true;
        QTest::newRow("DisableSound") << "DisableSound" << "MonoSound" << true;
        QTest::newRow("EnableManualSettings") << "EnableManualSettings" << "HiRom" << false;
        QTest::newRow("NoJoy") << "NoJoy" << "Joy4" << true;
    }
    void grayedMasterChangesNothing()
    {
        QFETCH(QString, master);
        QFETCH(QString, dependant);
        QFETCH(bool, enabledBefore);
        auto *box = qobject_cast<QCheckBox *>(control(form, master));
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
        const bool monoBefore = control<QRadioButton>(form, u"MonoSound"_s)->isChecked();
        QMetaObject::invokeMethod(box, "clicked", Q_ARG(bool, false));
        QCOMPARE(control(form, dependant)->isEnabled(), enabledBefore);
        QCOMPARE(control<QRadioButton>(form, u"MonoSound"_s)->isChecked(), monoBefore);
    }
};

QTEST_MAIN(InterlocksTest)
#include "test_interlocks.moc"
