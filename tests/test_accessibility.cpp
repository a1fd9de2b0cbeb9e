// What a screen reader hears: every control of the main window that takes
// the focus has a name, on every panel, while the visible captions stay as
// they are laid out; the panels, the logo, the windows and the text fields
// have roles a screen reader presents, and a field's text reads whole.
#include "app/programwindows.h"
#include "appearance/accessibility.h"
#include "appearance/appearance.h"
#include "appearance/picturebox.h"
#include "infowindows/about.h"
#include "infowindows/frmsplash.h"
#include "infowindows/gripinfo.h"
#include "infowindows/help.h"
#include "infowindows/readmeviewer.h"
#include "mainwindow/form1.h"
#include "romchooser/form5.h"
#include "support/controls.h"
#include "support/fakeplatform.h"
#include "support/mainwindow.h"

#include <QAccessible>
#include <QDir>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace tavik;

namespace {

// The focusable, visible controls under `node` that have no name.
void collectNameless(QAccessibleInterface *node, QStringList &nameless, int depth = 0)
{
    if (!node || depth > 20)
        return;
    const QAccessible::State state = node->state();
    if (state.focusable && !state.invisible && node->text(QAccessible::Name).trimmed().isEmpty()) {
        QObject *object = node->object();
        nameless << (object ? object->objectName() + QLatin1Char(' ') + QLatin1String(object->metaObject()->className())
                            : QStringLiteral("?"));
    }
    for (int i = 0; i < node->childCount(); ++i)
        collectNameless(node->child(i), nameless, depth + 1);
}

QString accessibleName(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// A line as Orca builds it from a field: the attribute runs from the first
// offset to the character count, joined, each run's text read by its offsets.
QString lineFromAttributeRuns(QAccessibleTextInterface *text)
{
    int first = -1;
    int last = 0;
    for (int offset = 0; offset < text->characterCount();) {
        int start = 0;
        int end = 0;
        text->attributes(offset, &start, &end);
        if (first < 0)
            first = std::max(start, offset);
        last = end;
        offset = std::max(end, offset + 1);
    }
    return first < 0 ? QString() : text->text(first, last);
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        setUpStyleAndFaces();
        installAccessibleInterfaces();
    }

    // The program's handler of accessibility events (which reports a focused
    // editable combo box on its typing field) is in place again after passing
    // an event on, for the next one. Offscreen, Qt hands a handler no event,
    // so the handler is called here as Qt calls it.
    void updateHandlerStaysInPlace()
    {
        const QAccessible::UpdateHandler program = QAccessible::installUpdateHandler(nullptr);
        QAccessible::installUpdateHandler(program);
        QVERIFY(program);
        QComboBox combo;
        combo.setEditable(true);
        QAccessibleEvent focus(&combo, QAccessible::Focus);
        program(&focus);
        QVERIFY(QAccessible::installUpdateHandler(program) == program);
    }

    // Each window, panel, group frame and the logo, with the role and name a
    // screen reader presents. An option panel read as a "frame" is taken for
    // an inactive window, and nothing inside it is spoken.
    void roles_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control"); // empty for the window itself
        QTest::addColumn<QAccessible::Role>("role");
        QTest::addColumn<QString>("name");
        QTest::newRow("Form1") << "Form1" << "" << QAccessible::Window << "Tavik for SNES9x 2.5";
        QTest::newRow("frmSplash") << "frmSplash" << "" << QAccessible::Window << "";
        QTest::newRow("Help") << "Help" << "" << QAccessible::Window << "";
        QTest::newRow("Form3") << "Form3" << "" << QAccessible::Window << "";
        QTest::newRow("Dialogbox1") << "Dialogbox1" << "" << QAccessible::Window << "";
        QTest::newRow("About") << "About" << "" << QAccessible::Dialog << "About Tavik 2.0";
        QTest::newRow("Form5") << "Form5" << "" << QAccessible::Dialog << "";
        QTest::newRow("SoundOpt") << "Form1" << "SoundOpt" << QAccessible::Grouping << "Sound options";
        QTest::newRow("VidOpt") << "Form1" << "VidOpt" << QAccessible::Grouping << "Video options";
        QTest::newRow("RomOpt") << "Form1" << "RomOpt" << QAccessible::Grouping << "ROM Type options";
        QTest::newRow("JoyOpt") << "Form1" << "JoyOpt" << QAccessible::Grouping << "Joystick options";
        QTest::newRow("MiscOpt") << "Form1" << "MiscOpt" << QAccessible::Grouping << "Miscellanous options";
        QTest::newRow("GcheatOpt") << "Form1" << "GcheatOpt" << QAccessible::Grouping << "Game Cheats options";
        QTest::newRow("Frame7") << "Form1" << "Frame7" << QAccessible::Grouping << "Hi/LoROM";
        QTest::newRow("Frame8") << "Form1" << "Frame8" << QAccessible::Grouping << "PAL/NTSC";
        QTest::newRow("Picture1") << "Form1" << "Picture1" << QAccessible::Button << "Tavik logo";
        QTest::newRow("About's picture") << "About" << "Picture1" << QAccessible::Graphic << "";
        QTest::newRow("the splash's picture") << "frmSplash" << "Picture1" << QAccessible::Graphic << "";
        QTest::newRow("ROMLOAD") << "Form1" << "ROMLOAD" << QAccessible::EditableText << "ROM Loaded:";
        QTest::newRow("GCode1") << "Form1" << "GCode1" << QAccessible::EditableText << "Cheat code 1";
    }
    void roles()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QAccessible::Role, role);
        QFETCH(QString, name);
        testing::FakePlatform platform;
        ProgramWindows windows(platform);
        // The main window and the splash as the window set has them; the
        // windows that stand alone, each one of its own.
        std::unique_ptr<QWidget> own;
        const QHash<QString, std::function<QWidget *()>> open{
            {"Form1", [&] { windows.showMainWindow(); return testing::loadedWindow<Form1>(); }},
            {"frmSplash", [&] { return windows.frmSplash(); }},
            {"Help", [&] { return (own = std::make_unique<Help>()).get(); }},
            {"Form3", [&] { return (own = std::make_unique<Form3>()).get(); }},
            {"About", [&] { return (own = std::make_unique<About>()).get(); }},
            {"Dialogbox1", [&] { return (own = std::make_unique<Dialogbox1>()).get(); }},
            {"Form5", [&] { return (own = std::make_unique<Form5>(windows, QDir::currentPath())).get(); }}};
        QWidget *top = open.value(window)();
        QWidget *widget = control.isEmpty() ? top : testing::findControl(top, control);
        QVERIFY(widget);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(iface);
        QCOMPARE(iface->role(), role);
        if (!name.isEmpty())
            QCOMPARE(iface->text(QAccessible::Name), name);
        // The window's accessible parent is the application; a control's is
        // the window or panel it sits in, as before.
        if (!control.isEmpty())
            QCOMPARE(iface->parent()->object(), widget->parentWidget());
    }

    // The logo reads as a button with its description and a press action
    // that does what a click does: once, after the caller has its answer,
    // and not while the logo is disabled.
    void logoPress_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("clicks");
        QTest::newRow("enabled") << true << 1;
        QTest::newRow("disabled") << false << 0;
    }
    void logoPress()
    {
        QFETCH(bool, enabled);
        QFETCH(int, clicks);
        testing::FakePlatform platform;
        ProgramWindows windows(platform);
        windows.showMainWindow();
        auto *logo = testing::findControl<PictureBox>(testing::loadedWindow<Form1>(), QStringLiteral("Picture1"));
        QVERIFY(logo);
        logo->setEnabled(enabled);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(logo);
        QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("Shows who made Tavik"));
        QAccessibleActionInterface *actions = iface->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        // Watch the logo alone: the main window's click handler would open About.
        QObject::disconnect(logo, &PictureBox::clicked, nullptr, nullptr);
        QSignalSpy clicked(logo, &PictureBox::clicked);
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicked.size(), 0);
        QTest::qWait(20);
        QCOMPARE(clicked.size(), clicks);
        QVERIFY(iface->state().focusable);
    }

    // A text field's text as a screen reader reads it: whole through the
    // attribute runs, the line at any offset and the selection, read-only or
    // not. Qt's own runs are empty, which made Orca say "Select a SNES Rom
    // Fil", and its search for the word at the caret, at the end, never ended.
    void fieldTextReadsWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("ROM marker, read-only") << "Select a SNES Rom File" << true;
        QTest::newRow("a picked ROM, read-only") << "Super Game (E) [!].smc" << true;
        QTest::newRow("one letter, read-only") << "a" << true;
        QTest::newRow("empty, read-only") << "" << true;
        QTest::newRow("a number, editable") << "100" << false;
        QTest::newRow("a cheat code, editable") << "7E0DBE63" << false;
        QTest::newRow("non-Latin, editable") << QString::fromUtf8("\u30de\u30ea\u30aa \u00e9t\u00e9") << false;
    }
    void fieldTextReadsWhole()
    {
        QFETCH(QString, text);
        QFETCH(bool, readOnly);
        QLineEdit field;
        field.setReadOnly(readOnly);
        field.setText(text);
        field.selectAll();
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&field);
        QAccessibleTextInterface *reader = iface->textInterface();
        QVERIFY(reader);
        QCOMPARE(lineFromAttributeRuns(reader), text);
        QCOMPARE(reader->characterCount(), text.size());
        for (int offset = 0; offset < text.size(); ++offset) {
            int start = -1;
            int end = -1;
            reader->attributes(offset, &start, &end);
            QVERIFY2(start <= offset && offset < end, qPrintable(QString::number(offset)));
            QCOMPARE(reader->textAtOffset(offset, QAccessible::LineBoundary, &start, &end), text);
            QCOMPARE(end, text.size());
        }
        int start = -1;
        int end = -1;
        reader->selection(0, &start, &end);
        QCOMPARE(reader->text(start, end), text);
        // At the caret, at the end, and at -1, which stands for the end.
        for (const int at : {reader->cursorPosition(), -1})
            QCOMPARE(reader->textAtOffset(at, QAccessible::WordBoundary, &start, &end), QString());
        QCOMPARE(iface->text(QAccessible::Value), text);
        // Still an editing field, typed into only when it is not read-only.
        QCOMPARE(iface->role(), QAccessible::EditableText);
        QCOMPARE(iface->state().readOnly, readOnly);
        QCOMPARE(iface->state().editable, !readOnly);
        QCOMPARE(iface->editableTextInterface() != nullptr, !readOnly);
    }

    // The main window's ROM field, read as Orca reads it as the window opens.
    void romFieldReadsWhole()
    {
        testing::ShownMainWindow shown;
        Form1 *form = shown.form;
        QVERIFY(QTest::qWaitForWindowExposed(form));
        auto *field = testing::findControl<QLineEdit>(form, QStringLiteral("ROMLOAD"));
        QAccessibleTextInterface *reader = QAccessible::queryAccessibleInterface(field)->textInterface();
        QCOMPARE(lineFromAttributeRuns(reader), QStringLiteral("Select a SNES Rom File"));
        // An editing field keeps its editing interface; a read-only one offers none.
        QVERIFY(!QAccessible::queryAccessibleInterface(field)->editableTextInterface());
        auto *code = testing::findControl<QLineEdit>(form, QStringLiteral("GCode1"));
        QAccessibleEditableTextInterface *editor = QAccessible::queryAccessibleInterface(code)->editableTextInterface();
        QVERIFY(editor);
        editor->insertText(0, QStringLiteral("7E0DBE63"));
        QCOMPARE(code->text(), QStringLiteral("7E0DBE63"));
    }

    void everyFocusableControlHasAName_data()
    {
        QTest::addColumn<QString>("panelButton");
        for (const char *button : {"", "SoundOn", "VideoOn", "RomTypeOn", "JoystixOn", "MiscOn", "Command1"})
            QTest::newRow(*button ? button : "no panel") << QString::fromLatin1(button);
    }
    void everyFocusableControlHasAName()
    {
        QFETCH(QString, panelButton);
        testing::ShownMainWindow shown;
        Form1 *form = shown.form;
        QVERIFY(QTest::qWaitForWindowExposed(form));
        if (!panelButton.isEmpty())
            form->findChild<QPushButton *>(panelButton)->click();
        QStringList nameless;
        collectNameless(QAccessible::queryAccessibleInterface(form), nameless);
        QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(u", ")));
    }

    void names_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::newRow("ROMLOAD") << "ROMLOAD" << "ROM Loaded:";
        QTest::newRow("SoundBuffersize") << "SoundBuffersize" << "Sound Buffersize (128-4096 bytes)";
        QTest::newRow("Scanlines") << "Scanlines"
                                   << "Percentage of CPU cycles to execute per scanline, decrease value to increase "
                                      "emulation frame rate. Most ROMS work with a value of 85 or above. 0 to 200, "
                                      "100 is default";
        QTest::newRow("SoundRatio") << "SoundRatio" << "Sound Ratio (2 is default)";
        QTest::newRow("Frameskip") << "Frameskip" << "Frameskip";
        QTest::newRow("List1") << "List1" << "List of SFX games that use I2";
        for (int i = 1; i <= 10; ++i) {
            QTest::addRow("GCode%d", i) << QStringLiteral("GCode%1").arg(i) << QStringLiteral("Cheat code %1").arg(i);
            QTest::addRow("Code%dON", i) << (i == 1 ? QStringLiteral("Code1On") : QStringLiteral("Code%1ON").arg(i))
                                         << QStringLiteral("Use cheat code %1").arg(i);
        }
    }
    void names()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        testing::FakePlatform platform;
        ProgramWindows windows(platform);
        windows.showMainWindow();
        QWidget *widget = testing::loadedWindow<Form1>()->findChild<QWidget *>(control);
        QVERIFY(widget);
        QCOMPARE(accessibleName(widget), name);
        // The caption on the screen stays as laid out.
        if (auto *box = qobject_cast<QCheckBox *>(widget))
            QCOMPARE(box->text(), QStringLiteral("Check1"));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
