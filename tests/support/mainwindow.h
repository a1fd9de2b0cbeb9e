// The main window as the window tests start from: a fresh window set over a
// recording platform with its main window shown, and a control on an option
// panel reached as a user reaches it, through the panel button.
#pragma once

#include "app/programwindows.h"
#include "mainwindow/form1.h"
#include "support/controls.h"
#include "support/fakeplatform.h"

#include <QTest>

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
