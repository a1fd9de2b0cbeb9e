// The Help window and the GrIP information dialog: what they show, and how
// each one goes away (the GrIP dialog must always hand input back to the main
// window, and only after it has gone).
#include "appearance/appearance.h"
#include "app/programwindows.h"
#include "infowindows/gripinfo.h"
#include "infowindows/help.h"
#include "mainwindow/form1.h"
#include "support/controls.h"
#include "support/fakeplatform.h"
#include "support/mainwindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>

using namespace tavik;
using namespace Qt::StringLiterals;
using tavik::testing::control;

namespace {

void addLabelColumns()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bold");
}

void checkLabel(QWidget *window)
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(bool, bold);
    auto *label = window->findChild<QLabel *>(name);
    QVERIFY2(label, qPrintable(name));
    QCOMPARE(label->parentWidget(), window);
    QCOMPARE(label->geometry(), geometry);
    QCOMPARE(label->text(), text);
    QCOMPARE(label->font().bold(), bold);
    // Bold or not, every label is drawn in 8.25-point Tahoma, and Tahoma is
    // what the font system really found.
    QCOMPARE(QFontInfo(label->font()).family(), u"Tahoma"_s);
    QCOMPARE(label->font().pointSizeF(), 8.25);
    QVERIFY(label->isVisibleTo(window));
}

} // namespace

class InfoWindowsHelpGripTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        setUpStyleAndFaces();
        setUpWindowIcon();
    }

    void helpLabels_data()
    {
        addLabelColumns();
        auto row = [](const char *name, int top, int width, const char *text, bool bold) {
            QTest::newRow(name) << QString::fromLatin1(name) << QRect(0, top, width, 17) << QString::fromUtf8(text)
                                << bold;
        };
        row("Label14", 0, 145, "SNES9x Emulator itself", true);
        row("Label1", 16, 361, "1)  Read the README.TXT file included with SNES9x", false);
        row("Label2", 56, 225, "Tavik Itself", true);
        row("Label5", 72, 361, "1) Look at the README in the Readme and Important Notes tab", false);
        row("Label7", 88, 345, "2) Visit our website for the FAQ", false);
        row("Label9", 112, 409, "Important Notes", true);
        row("Label10", 128, 385, "1) You can only use Transparency, Hires, 16 bit colors in 16 Bit graphics mode",
            false);
        row("Label12", 144, 401, "2) Sound MUST be enabled for all the nifty options to work", false);
        row("Label13", 160, 609,
            "3) If you play a SFX game not mentioned with Interleave 2 enabled and get nothing, try unchecking I2",
            false);
        row("Label28", 184, 345, "How the hell do I find Game Genie codes????", true);
        row("Label26", 200, 161, "Simple. All you have to do is go to", false);
        row("Label29", 224, 361, "It's just about the largest resource on Game Genie Codes!!", false);
    }
    void helpLabels()
    {
        Help help;
        checkLabel(&help);
    }

    void helpHostLabel()
    {
        Help help;
        auto *label = help.findChild<QLabel *>(QStringLiteral("Label8"));
        QVERIFY(label);
        QCOMPARE(label->geometry(), QRect(0, 32, 145, 17));
        QVERIFY(!label->font().bold());
        const QString prefix = QStringLiteral("2) Go to ");
        QVERIFY2(label->text().startsWith(prefix), qPrintable(label->text()));
        const QString host = label->text().mid(prefix.size());
        QVERIFY(!host.isEmpty());
        QVERIFY2(!host.contains(QLatin1Char(' ')) && host.contains(QLatin1Char('.')), qPrintable(host));
        // The host name must be readable within the label's width.
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
    }

    void helpWindow()
    {
        Help help;
        QCOMPARE(help.objectName(), QStringLiteral("Help"));
        QCOMPARE(help.windowTitle(), QStringLiteral("Help on Tavik 2.5"));
        QCOMPARE(help.size(), QSize(491, 246));
        QVERIFY(help.isWindow());
        QCOMPARE(help.windowModality(), Qt::NonModal);
        QVERIFY(help.minimumSize() != help.maximumSize());
        QVERIFY(!help.windowIcon().isNull());
        // The longest note reaches past the right edge: only widening shows its end.
        auto *longNote = help.findChild<QLabel *>(QStringLiteral("Label13"));
        QVERIFY(longNote);
        QVERIFY(longNote->geometry().right() >= help.width());
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        help.resize(700, 300);
        QCOMPARE(longNote->geometry(), QRect(0, 160, 609, 17));
        QCOMPARE(control<QPushButton>(&help, u"Command1"_s)->geometry(), QRect(400, 216, 81, 25));
    }

    void helpAddressBox()
    {
        Help help;
        auto *box = help.findChild<QLineEdit *>(QStringLiteral("Text1"));
        QVERIFY(box);
        QCOMPARE(box->geometry(), QRect(160, 200, 193, 19));
        QVERIFY(!box->isReadOnly());
        QVERIFY(box->isEnabled());
        QCOMPARE(box->palette().color(QPalette::Base), help.palette().color(QPalette::Button));
        const QString address = box->text();
        QVERIFY2(address.startsWith(QLatin1Char(' ')) && address.size() > 1 && address.at(1) != QLatin1Char(' '),
                 qPrintable(address));
        QVERIFY(address.contains(QLatin1Char('.')));
        box->selectAll();
        QCOMPARE(box->selectedText(), address);
    }

    void helpButton()
    {
        Help help;
        auto *button = control<QPushButton>(&help, u"Command1"_s);
        QCOMPARE(button->text(), QStringLiteral("OK"));
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        control<QLineEdit>(&help, u"Text1"_s)->setText(QStringLiteral("typed by the user"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!help.isVisible());
        // Hidden, not unloaded: the edit is still there when it comes back.
        QApplication::processEvents();
        help.show();
        QCOMPARE(control<QLineEdit>(&help, u"Text1"_s)->text(), QStringLiteral("typed by the user"));
    }

    void helpCloseBoxUnloads()
    {
        QPointer<Help> help = new Help;
        help->show();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        help->windowHandle()->close();
        QTRY_VERIFY(help.isNull());
    }

    void gripLabels_data()
    {
        addLabelColumns();
        auto row = [](const char *name, QRect geometry, const char *text) {
            QTest::newRow(name) << QString::fromLatin1(name) << geometry << QString::fromUtf8(text) << false;
        };
        row("Label1", QRect(8, 8, 425, 33),
            "ATTENTION GrIP USERS: You are in for a treat :) If you own a Gravis GamePad Pro, you can use the keyset "
            "that comes with Tavik. Here are all the steps you need to know:");
        row("Label2", QRect(8, 48, 225, 17), "1. Load GrIPKEY");
        row("Label3", QRect(8, 64, 289, 17), "2. Load the keyset \"SNES9x for Gravis GamePad Pro.gks\"");
        row("Label4", QRect(8, 80, 297, 17), "3. Go to FILE/Configure Gamepad");
        row("Label5", QRect(8, 96, 313, 17), "4. Go to ROM Options #2 tab and choose \"Disable Joystick\"");
        row("Label6", QRect(8, 112, 353, 17), "5. Make your other options and then run the emulator");
        row("Label7", QRect(8, 136, 129, 17), "Easy as 1-2-3-4-5, huh?");
    }
    void gripLabels()
    {
        Dialogbox1 dialog;
        checkLabel(&dialog);
    }

    void gripWindow()
    {
        Dialogbox1 dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("dialogbox1"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("GrIP Info"));
        QCOMPARE(dialog.size(), QSize(439, 191));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(dialog.isWindow());
        QVERIFY(!dialog.parentWidget());
        QCOMPARE(dialog.windowModality(), Qt::NonModal);
        QCOMPARE(dialog.windowType(), Qt::Dialog);
        QVERIFY(!(dialog.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        QVERIFY(control<QLabel>(&dialog, u"Label1"_s)->wordWrap());
        auto *button = control<QPushButton>(&dialog, u"Command1"_s);
        QCOMPARE(button->geometry(), QRect(144, 160, 137, 25));
        QCOMPARE(button->text(), QStringLiteral("Return to Tavik"));
        const auto children = dialog.findChildren<QWidget *>();
        for (QWidget *child : children) {
            if (child != button)
                QVERIFY2(child->focusPolicy() == Qt::NoFocus, qPrintable(child->objectName()));
        }
    }

    // Every way the dialog can go hides it and gives the main window its input
    // back; a key that is no way out leaves both as they were.
    void gripWaysOut_data()
    {
        QTest::addColumn<int>("key"); // 0: the way the row names
        QTest::addColumn<bool>("leaves");
        QTest::newRow("button click") << 0 << true;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << true;
        QTest::newRow("Return") << int(Qt::Key_Return) << true;
        QTest::newRow("Space") << int(Qt::Key_Space) << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << true;
        QTest::newRow("close box / Alt+F4") << 0 << true;
        QTest::newRow("close()") << 0 << true;
        QTest::newRow("letter key") << int(Qt::Key_A) << false;
        QTest::newRow("Tab") << int(Qt::Key_Tab) << false;
    }
    void gripWaysOut()
    {
        QFETCH(int, key);
        QFETCH(bool, leaves);
        testing::ShownMainWindow shown;
        Form1 *form1 = shown.form;
        QVERIFY(QTest::qWaitForWindowExposed(form1));
        control<QPushButton>(form1, u"JoystixOn"_s)->click();
        control<QPushButton>(form1, u"GRIPINFO"_s)->click();
        Dialogbox1 &dialog = *testing::loadedWindow<Dialogbox1>();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto *button = control<QPushButton>(&dialog, u"Command1"_s);
        QCOMPARE(dialog.focusWidget(), button);
        QVERIFY(!form1->takesInput());

        const QByteArray way = QTest::currentDataTag();
        if (key)
            QTest::keyClick(dialog.focusWidget(), Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        else if (way == "button click")
            QTest::mouseClick(button, Qt::LeftButton);
        else if (way == "close()")
            dialog.close();
        else
            dialog.windowHandle()->close();

        if (!leaves) {
            QVERIFY(dialog.isVisible());
            QVERIFY(!form1->takesInput());
            return;
        }
        QVERIFY(!dialog.isVisible());
        QVERIFY(form1->takesInput());

        // The same instance opens again, and its button still hands input back.
        control<QPushButton>(form1, u"GRIPINFO"_s)->click();
        QCOMPARE(testing::loadedWindow<Dialogbox1>(), &dialog);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!form1->takesInput());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QVERIFY(form1->takesInput());
    }
};

QTEST_MAIN(InfoWindowsHelpGripTest)
#include "test_infowindows_help_grip.moc"
