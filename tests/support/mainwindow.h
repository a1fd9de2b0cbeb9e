// The main window as the window tests start from: a fresh window set over a
// recording platform with its main window shown, and a control on an option
// panel reached as a user reaches it, through the panel button.
#pragma once

#include "app/programwindows.h"
#include "mainwindow/form1.h"
#include "support/fakeplatform.h"
#include "ui_form1.h"

#include <QTest>

namespace tavik::testing {

struct ShownMainWindow {
    FakePlatform platform;
    ProgramWindows windows{platform};
    Form1 *form;

    ShownMainWindow() : form(windows.form1())
    {
        windows.quitEventLoop = [] {};
        form->show();
    }
};

// Presses the panel button of the option panel that holds `control`, when
// that panel is hidden.
inline void showPanelOf(Form1 *form, QWidget *control)
{
    Ui::Form1 &ui = form->controls();
    const std::pair<QWidget *, QPushButton *> panels[] = {
        {ui.VidOpt, ui.VideoOn}, {ui.SoundOpt, ui.SoundOn},   {ui.RomOpt, ui.RomTypeOn},
        {ui.JoyOpt, ui.JoystixOn}, {ui.MiscOpt, ui.MiscOn}, {ui.GcheatOpt, ui.Command1}};
    for (const auto &[panel, button] : panels)
        if (panel->isAncestorOf(control) && !panel->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace tavik::testing
