// Reaching a control on an option panel as a user does: by pressing the panel
// button first, when the panel is hidden.
#pragma once

#include "mainwindow/form1.h"
#include "ui_form1.h"

#include <QTest>

namespace tavik::testing {

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
