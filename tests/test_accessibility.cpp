// What a screen reader hears: every control of the main window that takes
// the focus has a name, on every panel, while the visible captions stay as
// they are laid out.
#include "app/programwindows.h"
#include "appearance/appearance.h"
#include "mainwindow/form1.h"
#include "support/fakeplatform.h"

#include <QAccessible>
#include <QCheckBox>
#include <QPushButton>
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

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpAppearance(); }

    void everyFocusableControlHasAName_data()
    {
        QTest::addColumn<QString>("panelButton");
        for (const char *button : {"", "SoundOn", "VideoOn", "RomTypeOn", "JoystixOn", "MiscOn", "Command1"})
            QTest::newRow(*button ? button : "no panel") << QString::fromLatin1(button);
    }
    void everyFocusableControlHasAName()
    {
        QFETCH(QString, panelButton);
        testing::FakePlatform platform;
        ProgramWindows windows(platform);
        windows.quitEventLoop = [] {};
        Form1 *form = windows.form1();
        form->show();
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
        QTest::newRow("GCode3") << "GCode3" << "Cheat code 3";
        QTest::newRow("Code3ON") << "Code3ON" << "Use cheat code 3";
        QTest::newRow("GCode10") << "GCode10" << "Cheat code 10";
        QTest::newRow("Code10ON") << "Code10ON" << "Use cheat code 10";
        QTest::newRow("Code1On") << "Code1On" << "Use cheat code 1";
    }
    void names()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        testing::FakePlatform platform;
        ProgramWindows windows(platform);
        windows.quitEventLoop = [] {};
        QWidget *widget = windows.form1()->findChild<QWidget *>(control);
        QVERIFY(widget);
        QCOMPARE(accessibleName(widget), name);
        // The caption on the screen stays as laid out.
        if (auto *box = qobject_cast<QCheckBox *>(widget))
            QCOMPARE(box->text(), QStringLiteral("Check1"));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
