// The main window's fixed layout: every control's kind, container, caption,
// position, initial state and tooltip, the list and range contents, the
// option-button groups and the keyboard focus order.
#include "appearance/appearance.h"
#include "app/programwindows.h"
#include "mainwindow/form1.h"
#include "support/controls.h"
#include "support/mainwindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QStringList panelNames = {u"VidOpt"_s, u"SoundOpt"_s, u"RomOpt"_s,
                                u"JoyOpt"_s, u"MiscOpt"_s,  u"GcheatOpt"_s};

enum Check { NoCheck, Unchecked, Checked };

struct Row {
    const char *name;
    const char *kind;
    const char *parent;
    QString text;
    QRect geometry;
    bool enabled = true;
    Check check = NoCheck;
    QString tip = {};
};

QList<Row> layoutRows()
{
    const QRect panel(152, 32, 385, 289);
    QList<Row> rows = {
        // The window itself.
        {"Picture1", "tavik::PictureBox", "Form1", {}, {0, 0, 135, 101}},
        {"SoundOn", "QPushButton", "Form1", u"Sound"_s, {16, 104, 89, 25}},
        {"VideoOn", "QPushButton", "Form1", u"Video"_s, {16, 136, 89, 25}},
        {"RomTypeOn", "QPushButton", "Form1", u"ROM Type"_s, {16, 168, 89, 25}},
        {"JoystixOn", "QPushButton", "Form1", u"Joystick"_s, {16, 200, 89, 25}},
        {"MiscOn", "QPushButton", "Form1", u"Miscellanous"_s, {16, 232, 89, 25}},
        {"Command1", "QPushButton", "Form1", u"Game Cheats"_s, {16, 264, 89, 25}},
        {"HelpOn", "QPushButton", "Form1", u"Help"_s, {568, 8, 89, 25}},
        {"ReadmeOn", "QPushButton", "Form1", u"Readme"_s, {568, 40, 89, 25}},
        {"Label3", "QLabel", "Form1", u"ROM Loaded:"_s, {8, 344, 69, 13}},
        {"ROMLOAD", "QLineEdit", "Form1", u"Select a SNES Rom File"_s, {80, 336, 145, 21}},
        {"OpenRomDiagBox", "QPushButton", "Form1", u"Load ROM"_s, {232, 336, 105, 25}},
        {"Start", "QPushButton", "Form1", u"< EMULATE! >"_s, {480, 336, 89, 25}},
        {"quit", "QPushButton", "Form1", u"Exit"_s, {576, 336, 89, 25}},
        {"VidOpt", "QFrame", "Form1", {}, panel},
        {"SoundOpt", "QFrame", "Form1", {}, panel},
        {"RomOpt", "QFrame", "Form1", {}, panel.translated(-8, 0)},
        {"JoyOpt", "QFrame", "Form1", {}, panel},
        {"MiscOpt", "QFrame", "Form1", {}, panel},
        {"GcheatOpt", "QFrame", "Form1", {}, panel},
        // Video.
        {"cmbVideo", "QComboBox", "VidOpt", u"Video Mode"_s, {8, 8, 137, 21}},
        {"Trans", "QCheckBox", "VidOpt", u"Transparencies"_s, {8, 32, 97, 17}, true, Unchecked,
         u"Choose this to enable Transparency effects"_s},
        {"ScreenScale", "QCheckBox", "VidOpt", u"Scale  to fit screen"_s, {8, 56, 113, 17}, true, Unchecked,
         u"Check here to strech the game screen to fit the monitor"_s},
        {"Hires", "QCheckBox", "VidOpt", u"High Resolution"_s, {8, 80, 97, 17}, true, Unchecked,
         u"Check this to enable High-Resolution"_s},
        {"Sixteenbit", "QCheckBox", "VidOpt", u"16 Bit Graphics"_s, {8, 104, 97, 17}, true, Unchecked,
         u"Click here to enable 16-bit Graphics"_s},
        {"int2", "QCheckBox", "VidOpt",
         u"Check here if you are loading a SFX game. This will enable Interleaved 2. Most SFX games use "
         "Interleave 2 mode."_s,
         {0, 128, 217, 41}, true, Unchecked},
        {"List1", "QListWidget", "VidOpt", {}, {16, 168, 193, 43}},
        // Sound.
        {"DisableSound", "QCheckBox", "SoundOpt", u"Disable Sound"_s, {16, 8, 137, 17}, true, Unchecked,
         u"Disable sound CPU emulation and sound output, useful for the few ROMs where sound emulation "
         "causes them to lock up due to timing errors."_s},
        {"StereoSound", "QRadioButton", "SoundOpt", u"Stereo Sound"_s, {32, 24, 121, 17}, true, Unchecked,
         u"Enable stereo sound output."_s},
        {"MonoSound", "QRadioButton", "SoundOpt", u"Mono Sound"_s, {32, 40, 105, 17}, true, Checked,
         u"Enable mono sound output."_s},
        {"NoSampleCaching", "QCheckBox", "SoundOpt", u"No Sample Caching"_s, {16, 56, 121, 17}, true, Unchecked,
         u"Disable decompressed sound sample caching. Decompressing samples takes time. slowing down the "
         "emulator."_s},
        {"NoSoundEcho", "QCheckBox", "SoundOpt", u"No Sound Echoing"_s, {16, 80, 121, 17}, true, Unchecked},
        {"NoMasterVol", "QCheckBox", "SoundOpt", u"No Master Volume"_s, {16, 104, 121, 17}, true, Unchecked},
        {"cmbSoundPlbk", "QComboBox", "SoundOpt", u"Sound Playback Quality Rate"_s, {16, 128, 169, 21}},
        {"Label10", "QLabel", "SoundOpt", u"Sound Buffersize (128-4096 bytes)"_s, {8, 160, 89, 33}},
        {"SoundBuffersize", "QLineEdit", "SoundOpt", u"2560"_s, {96, 160, 105, 21}},
        {"Label1", "QLabel", "SoundOpt", u"Sound Ratio (2 is default)"_s, {8, 200, 121, 17}},
        {"SoundRatio", "QSlider", "SoundOpt", {}, {8, 216, 121, 33}},
        {"Label2", "QLabel", "SoundOpt", u" 1             2              3"_s, {16, 248, 121, 17}},
        // ROM Type.
        {"EnableManualSettings", "QCheckBox", "RomOpt", u"Enable Manual Settings"_s, {8, 8, 145, 17}, true,
         Unchecked},
        {"Frame7", "QGroupBox", "RomOpt", u"Hi/LoROM"_s, {24, 32, 73, 57}},
        {"HiRom", "QRadioButton", "Frame7", u"HiROM"_s, {8, 16, 57, 17}, false, Unchecked},
        {"LoROM", "QRadioButton", "Frame7", u"LoROM"_s, {8, 32, 57, 17}, false, Unchecked},
        {"Frame8", "QGroupBox", "RomOpt", u"PAL/NTSC"_s, {104, 32, 129, 57}},
        {"NTSC", "QRadioButton", "Frame8", u"NTSC (USA ROM)"_s, {8, 16, 113, 17}, false, Unchecked},
        {"PAL", "QRadioButton", "Frame8", u"PAL (Forgein ROM)"_s, {8, 32, 113, 17}, false, Unchecked},
        {"IntMode", "QCheckBox", "RomOpt", u"Interleave Mode"_s, {24, 96, 97, 17}, false, Unchecked},
        {"NoHDMA", "QCheckBox", "RomOpt", u"No H-DMA Emulation"_s, {24, 112, 121, 17}, false, Unchecked},
        {"NoSpeedHacks", "QCheckBox", "RomOpt", u"No Speed Hacks"_s, {24, 128, 105, 17}, false, Unchecked},
        {"DisableGraphWindows", "QCheckBox", "RomOpt", u"Disable Graphic Windows Emulation"_s,
         {24, 144, 193, 17}, false, Unchecked},
        // Joystick.
        {"NoJoy", "QCheckBox", "JoyOpt", u"Disable Joystick"_s, {8, 8, 105, 25}, true, Unchecked},
        {"Joy4", "QRadioButton", "JoyOpt", u"4 Button Joystick"_s, {24, 32, 177, 25}, true, Unchecked},
        {"Joy6", "QRadioButton", "JoyOpt", u"6 Button Joystick"_s, {24, 56, 177, 25}, true, Unchecked},
        {"Joy8", "QRadioButton", "JoyOpt", u"8 Button Joystick"_s, {24, 80, 177, 25}, true, Unchecked},
        {"JoyS", "QRadioButton", "JoyOpt", u"Microsoft SideWinder"_s, {24, 104, 177, 25}, true, Unchecked},
        {"GRIPINFO", "QPushButton", "JoyOpt", u"For GrIP Info"_s, {16, 136, 73, 25}},
        // Miscellaneous.
        {"Label8", "QLabel", "MiscOpt", u"Frameskip"_s, {8, 8, 177, 17}},
        {"Label4", "QLabel", "MiscOpt", u" 0           1           2           3           4"_s, {16, 24, 177, 17}},
        {"Frameskip", "QSlider", "MiscOpt", {}, {8, 40, 185, 33}},
        {"Label12", "QLabel", "MiscOpt",
         u"Percentage of CPU cycles to execute per scanline, decrease value to increase emulation frame rate. "
         "Most ROMS work with a value of 85 or above. 0 to 200, 100 is default"_s,
         {8, 80, 305, 41}},
        {"Scanlines", "QLineEdit", "MiscOpt", u"100"_s, {8, 128, 33, 19}},
        // Game Cheats.
        {"Label5", "QLabel", "GcheatOpt", u"Choose the cartridge you want to use"_s, {0, 8, 129, 25}},
        {"CheatOn", "QCheckBox", "GcheatOpt", u"Enable Cheating"_s, {8, 40, 129, 17}, true, Unchecked},
        {"GameGenie", "QRadioButton", "GcheatOpt", u"Game Genie Cartridge"_s, {8, 56, 129, 25}, false, Checked},
        {"GoldFinger", "QRadioButton", "GcheatOpt", u"GoldFinger Cartridge"_s, {8, 80, 129, 25}, false, Unchecked},
        {"ActionReplay", "QRadioButton", "GcheatOpt", u"Action Replay Cartridge"_s, {8, 104, 137, 25}, false,
         Unchecked},
        {"Label7", "QLabel", "GcheatOpt", u"Type the codes in the boxes.. 10 maximum"_s, {16, 248, 345, 17}},
        {"Label28", "QLabel", "GcheatOpt", u"Click on a checkmark next to the code if you want it enabled"_s,
         {16, 264, 289, 17}},
    };
    static const char *const codeFields[] = {"GCode1", "GCode2", "GCode3", "GCode4", "GCode5",
                                             "GCode6", "GCode7", "GCode8", "GCode9", "GCode10"};
    static const char *const codeTicks[] = {"Code1On", "Code2ON", "Code3ON", "Code4ON", "Code5ON",
                                            "Code6ON", "Code7ON", "Code8ON", "Code9ON", "Code10ON"};
    static const int tickHeights[] = {17, 17, 13, 13, 17, 13, 17, 17, 17, 13};
    for (int i = 0; i < 10; ++i) {
        const int top = 8 + 24 * i;
        rows.append({codeFields[i], "QLineEdit", "GcheatOpt", {}, {144, top, 169, 19}});
        rows.append({codeTicks[i], "QCheckBox", "GcheatOpt", u"Check1"_s, {320, top, 17, tickHeights[i]}, true,
                     Unchecked});
    }
    return rows;
}

QString shownText(QWidget *w)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentText();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    return {};
}

// The long check-box caption may be drawn by a companion label; any of the
// places it can live counts.
bool holdsCaption(QWidget *w, const QString &caption)
{
    if (shownText(w) == caption || w->accessibleName() == caption)
        return true;
    for (QLabel *label : w->findChildren<QLabel *>())
        if (label->text() == caption)
            return true;
    return false;
}

QStringList items(QComboBox *c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

} // namespace

class TestForm1Layout : public QObject {
    Q_OBJECT

    std::unique_ptr<tavik::testing::ShownMainWindow> shown;
    tavik::Form1 *form = nullptr;

    template <typename T = QWidget> T *control(const QString &name) { return tavik::testing::control<T>(form, name); }

private slots:
    void initTestCase() { tavik::setUpStyleAndFaces(); }

    void init()
    {
        shown = std::make_unique<tavik::testing::ShownMainWindow>();
        form = shown->form;
    }
    void cleanup() { shown.reset(); }

    void window()
    {
        QCOMPARE(form->objectName(), u"Form1"_s);
        QCOMPARE(form->windowTitle(), u"Tavik for SNES9x 2.5"_s);
        QCOMPARE(form->size(), QSize(678, 372));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(form->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(form->windowFlags() & Qt::WindowCloseButtonHint);
    }

    void everyControl_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("check");
        QTest::addColumn<QString>("tip");
        for (const Row &r : layoutRows())
            QTest::newRow(r.name) << QString::fromLatin1(r.kind) << QString::fromLatin1(r.parent) << r.text
                                  << r.geometry << r.enabled << int(r.check) << r.tip;
    }

    void everyControl()
    {
        QFETCH(QString, kind);
        QFETCH(QString, parent);
        QFETCH(QString, text);
        QFETCH(QRect, geometry);
        QFETCH(bool, enabled);
        QFETCH(int, check);
        QFETCH(QString, tip);
        const QString name = QString::fromLatin1(QTest::currentDataTag());

        QWidget *w = control(name);
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), kind);
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(w->geometry(), geometry);
        if (name == "int2"_L1) {
            QVERIFY2(holdsCaption(w, text), qPrintable(shownText(w)));
        } else {
            QCOMPARE(shownText(w), text);
            QCOMPARE(w->toolTip(), tip);
            QCOMPARE(w->isEnabled(), enabled);
        }
        if (check != NoCheck) {
            auto *b = qobject_cast<QAbstractButton *>(w);
            QVERIFY(b);
            QCOMPARE(b->isChecked(), check == Checked);
        }
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            QVERIFY2(!b->text().contains(u'&'), "no caption defines an access key");
    }

    void initialVisibility()
    {
        // No panel shows at start; every control shows as soon as its panel does.
        for (const Row &r : layoutRows()) {
            QWidget *w = control(QString::fromLatin1(r.name));
            const bool isPanel = panelNames.contains(w->objectName());
            QVERIFY2(w->isHidden() == isPanel, r.name);
            if (w->parentWidget() == form)
                QVERIFY2(w->isVisible() != isPanel, r.name);
        }
    }

    void combos_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("itemList");
        QTest::newRow("cmbVideo") << u"cmbVideo"_s << u"Video Mode"_s
                                  << QStringList{u"320x240 - 8bit"_s,  u"320x200 - 8bit"_s,  u"256x256 - 8bit"_s,
                                                 u"640x480 - 8bit"_s,  u"640x400 - 8bit"_s,  u"800x600 - 8bit"_s,
                                                 u"320x240 - 16bit"_s, u"640x480 - 16bit"_s, u"640x400 - 16bit"_s,
                                                 u"800x600 - 16bit"_s};
        QTest::newRow("cmbSoundPlbk") << u"cmbSoundPlbk"_s << u"Sound Playback Quality Rate"_s
                                      << QStringList{u"Default"_s,   u"0 - Disable Sound"_s, u"1 - 8192"_s,
                                                     u"2 - 11025"_s, u"3 - 16500"_s,         u"4 - 22050"_s,
                                                     u"5 - 29300"_s, u"6 - 36600"_s,         u"7 - 44000"_s};
    }

    void combos()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QStringList, itemList);
        auto *c = control<QComboBox>(name);
        QVERIFY(c->isEditable());
        QCOMPARE(items(c), itemList);
        QCOMPARE(c->currentIndex(), -1);
        QCOMPARE(c->currentText(), text);
        QVERIFY(!itemList.contains(text));
        c->setCurrentIndex(7);
        QCOMPARE(c->currentText(), itemList.at(7));
    }

    void list1()
    {
        auto *list = control<QListWidget>(u"List1"_s);
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        QCOMPARE(texts, (QStringList{u"List of SFX games that use I2"_s, QString(36, u'-'), u"Yoshi's Island"_s,
                                     u"Doom"_s, u"Vortex"_s, u"DirtBilke FX"_s}));
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    }

    void sliders_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("ticks");
        QTest::newRow("SoundRatio") << u"SoundRatio"_s << 2 << int(QSlider::TicksBelow);
        QTest::newRow("Frameskip") << u"Frameskip"_s << 4 << int(QSlider::TicksAbove);
    }

    void sliders()
    {
        QFETCH(QString, name);
        QFETCH(int, maximum);
        QFETCH(int, ticks);
        auto *s = control<QSlider>(name);
        QCOMPARE(s->orientation(), Qt::Horizontal);
        QCOMPARE(s->minimum(), 0);
        QCOMPARE(s->maximum(), maximum);
        QCOMPARE(s->value(), 0);
        QCOMPARE(int(s->tickPosition()), ticks);
        QCOMPARE(s->tickInterval(), 1);
        QCOMPARE(s->singleStep(), 1);
        QCOMPARE(s->pageStep(), 5);
    }

    void scanlinesCentred() { QVERIFY(control<QLineEdit>(u"Scanlines"_s)->alignment() & Qt::AlignHCenter); }

    void romField()
    {
        auto *rom = control<QLineEdit>(u"ROMLOAD"_s);
        QVERIFY(rom->isReadOnly());
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(form->focusWidget(), rom);
        QTest::keyClicks(rom, u"GAME.SMC"_s);
        QTest::keyClick(rom, Qt::Key_Backspace);
        QTest::keyClick(rom, Qt::Key_Delete);
        QCOMPARE(rom->text(), u"Select a SNES Rom File"_s);
    }

    void noDefaultButton()
    {
        for (QPushButton *b : form->findChildren<QPushButton *>()) {
            QVERIFY2(!b->isDefault(), qPrintable(b->objectName()));
            QVERIFY2(!b->autoDefault(), qPrintable(b->objectName()));
        }
    }

    void optionGroups_data()
    {
        QTest::addColumn<QStringList>("group");
        QTest::addColumn<QStringList>("outside"); // option buttons the clicks must not touch
        QTest::newRow("joystick") << QStringList{u"Joy4"_s, u"Joy6"_s, u"Joy8"_s, u"JoyS"_s}
                                  << QStringList{u"MonoSound"_s, u"GameGenie"_s};
        QTest::newRow("sound") << QStringList{u"MonoSound"_s, u"StereoSound"_s} << QStringList{u"GameGenie"_s};
        QTest::newRow("hilo") << QStringList{u"HiRom"_s, u"LoROM"_s} << QStringList{u"NTSC"_s, u"PAL"_s};
        QTest::newRow("region") << QStringList{u"NTSC"_s, u"PAL"_s} << QStringList{u"HiRom"_s, u"LoROM"_s};
        QTest::newRow("cartridge") << QStringList{u"GoldFinger"_s, u"ActionReplay"_s, u"GameGenie"_s}
                                   << QStringList{u"MonoSound"_s};
    }

    void optionGroups()
    {
        QFETCH(QStringList, group);
        QFETCH(QStringList, outside);
        for (const QStringList &names : {group, outside})
            for (const QString &n : names) {
                QWidget *w = control(n);
                w->setEnabled(true);
                w->parentWidget()->show();
            }
        // Settle one button outside, so a shared group would show up as a lost check.
        auto *other = control<QRadioButton>(outside.first());
        other->setChecked(true);
        for (const QString &clicked : group) {
            auto *b = control<QRadioButton>(clicked);
            QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
            for (const QString &n : group)
                QVERIFY2(control<QRadioButton>(n)->isChecked() == (n == clicked), qPrintable(clicked + u"/"_s + n));
            QVERIFY2(other->isChecked(), qPrintable(clicked));
        }
    }

    void focusOrder()
    {
        const QStringList order = {
            u"ROMLOAD"_s, u"Start"_s, u"quit"_s, u"Picture1"_s, u"Command1"_s, u"SoundOn"_s, u"VideoOn"_s, u"RomTypeOn"_s,
            u"JoystixOn"_s, u"MiscOn"_s, u"Scanlines"_s, u"EnableManualSettings"_s, u"HiRom"_s, u"LoROM"_s,
            u"NTSC"_s, u"PAL"_s, u"IntMode"_s, u"NoHDMA"_s, u"NoSpeedHacks"_s, u"DisableGraphWindows"_s,
            u"JoyS"_s, u"NoJoy"_s, u"Joy4"_s, u"Joy6"_s, u"Joy8"_s, u"GRIPINFO"_s, u"cmbVideo"_s, u"Trans"_s,
            u"ScreenScale"_s, u"Hires"_s, u"Sixteenbit"_s, u"int2"_s, u"List1"_s, u"NoSoundEcho"_s,
            u"MonoSound"_s, u"StereoSound"_s, u"NoSampleCaching"_s, u"DisableSound"_s, u"NoMasterVol"_s,
            u"cmbSoundPlbk"_s, u"SoundBuffersize"_s, u"ActionReplay"_s, u"GoldFinger"_s, u"GameGenie"_s,
            u"CheatOn"_s, u"GCode5"_s, u"GCode4"_s, u"GCode3"_s, u"GCode2"_s, u"GCode1"_s, u"Code1On"_s,
            u"Code2ON"_s, u"Code3ON"_s, u"Code4ON"_s, u"Code5ON"_s, u"GCode10"_s, u"GCode9"_s, u"GCode8"_s,
            u"GCode7"_s, u"GCode6"_s, u"Code6ON"_s, u"Code7ON"_s, u"Code8ON"_s, u"Code9ON"_s, u"Code10ON"_s,
            u"ReadmeOn"_s, u"HelpOn"_s, u"OpenRomDiagBox"_s, u"SoundRatio"_s, u"Frameskip"_s};
        QWidget *start = control(u"ROMLOAD"_s);
        QStringList chain;
        QWidget *w = start;
        do {
            // Every control that takes the focus by Tab, not only the listed
            // ones; a combo box's own field hands its focus to the box.
            if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy())
                chain << w->objectName();
            w = w->nextInFocusChain();
        } while (w && w != start && chain.size() <= order.size());
        QCOMPARE(chain, order);

        // Labels and frames never take focus.
        for (QWidget *c : form->findChildren<QWidget *>())
            if (qobject_cast<QLabel *>(c) || qobject_cast<QGroupBox *>(c)
                || QByteArray(c->metaObject()->className()) == "QFrame")
                QVERIFY2(!(c->focusPolicy() & Qt::TabFocus), qPrintable(c->objectName()));
    }
};

QTEST_MAIN(TestForm1Layout)
#include "test_form1_layout.moc"
