// The main window as the window tests start from: a fresh window set over a
// recording platform with its main window shown, the fixture that gives one
// to each test function, and a control on an option panel reached as a user
// reaches it, through the panel button.
#pragma once

#include "app/programwindows.h"
#include "appearance/appearance.h"
#include "mainwindow/form1.h"
#include "support/controls.h"
#include "support/fakeplatform.h"

#include <QObject>
#include <QTest>
#include <memory>

namespace tavik::testing {

struct ShownMainWindow {
    FakePlatform platform;
    ProgramWindows windows{platform};
    Form1 *form = nullptr;

    ShownMainWindow()
    {
        windows.showMainWindow();
        form = loadedWindow<Form1>();
    }
};

// The fixture of the tests that start from the main window: each test
// function gets a fresh window set, its main window shown and exposed, and
// leaves none behind.
class MainWindowTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<ShownMainWindow> shown;
    FakePlatform *platform = nullptr;
    ProgramWindows *windows = nullptr;
    Form1 *form = nullptr;

protected slots:
    void initTestCase()
    {
        setUpStyleAndFaces();
        setUpWindowIcon();
    }
    void init()
    {
        shown = std::make_unique<ShownMainWindow>();
        platform = &shown->platform;
        windows = &shown->windows;
        form = shown->form;
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }
    void cleanup() { shown.reset(); }
};

// Presses the panel button of the option panel that holds `control`, when
// that panel is hidden.
inline void showPanelOf(Form1 *form, QWidget *control)
{
    const std::pair<const char *, const char *> panels[] = {
        {"VidOpt", "VideoOn"}, {"SoundOpt", "SoundOn"},   {"RomOpt", "RomTypeOn"},
        {"JoyOpt", "JoystixOn"}, {"MiscOpt", "MiscOn"}, {"GcheatOpt", "Command1"}};
    for (const auto &[panelName, buttonName] : panels) {
        QWidget *panel = testing::control(form, QString::fromLatin1(panelName));
        if (panel->isAncestorOf(control) && !panel->isVisible())
            QTest::mouseClick(testing::control(form, QString::fromLatin1(buttonName)), Qt::LeftButton);
    }
}

} // namespace tavik::testing
