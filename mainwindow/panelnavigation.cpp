// The main window's panel buttons, each making its option panel the only one
// visible, and the buttons that open Help, the readme viewer, the ROM chooser
// and the GrIP dialog.
#include "mainwindow/form1.h"

#include "ui_form1.h"

#include "windowset/windowset.h"

#include <array>

namespace tavik {

// One panel button: its panel, and the other five panels in the order the
// button hides them. Hiding always comes first, so two panels never show
// together, not even for a moment.
struct PanelSwitch {
    QPushButton *Ui::Form1::*button;
    QFrame *Ui::Form1::*panel;
    std::array<QFrame *Ui::Form1::*, 5> hideFirst;
};

namespace {

using U = Ui::Form1;

const std::array<PanelSwitch, 6> panelSwitches{{
    {&U::VideoOn, &U::VidOpt, {&U::GcheatOpt, &U::RomOpt, &U::JoyOpt, &U::MiscOpt, &U::SoundOpt}},
    {&U::SoundOn, &U::SoundOpt, {&U::VidOpt, &U::JoyOpt, &U::MiscOpt, &U::RomOpt, &U::GcheatOpt}},
    {&U::RomTypeOn, &U::RomOpt, {&U::GcheatOpt, &U::VidOpt, &U::JoyOpt, &U::MiscOpt, &U::SoundOpt}},
    {&U::JoystixOn, &U::JoyOpt, {&U::GcheatOpt, &U::VidOpt, &U::MiscOpt, &U::SoundOpt, &U::RomOpt}},
    {&U::MiscOn, &U::MiscOpt, {&U::GcheatOpt, &U::VidOpt, &U::SoundOpt, &U::RomOpt, &U::JoyOpt}},
    {&U::Command1, &U::GcheatOpt, {&U::VidOpt, &U::SoundOpt, &U::RomOpt, &U::JoyOpt, &U::MiscOpt}},
}};

} // namespace

void Form1::connectPanelNavigation()
{
    for (const PanelSwitch &panel : panelSwitches)
        connect((*ui).*panel.button, &QPushButton::clicked, this, [this, &panel] { switchPanel(panel); });
    connect(ui->HelpOn, &QPushButton::clicked, this, &Form1::HelpOn_Click);
    connect(ui->ReadmeOn, &QPushButton::clicked, this, &Form1::ReadmeOn_Click);
    connect(ui->OpenRomDiagBox, &QPushButton::clicked, this, &Form1::OpenRomDiagBox_Click);
    connect(ui->GRIPINFO, &QPushButton::clicked, this, &Form1::GRIPINFO_Click);
}

std::array<std::pair<QPushButton *, QFrame *>, 6> Form1::panels() const
{
    std::array<std::pair<QPushButton *, QFrame *>, 6> panels;
    for (std::size_t i = 0; i < panels.size(); ++i)
        panels[i] = {(*ui).*panelSwitches[i].button, (*ui).*panelSwitches[i].panel};
    return panels;
}

void Form1::switchPanel(const PanelSwitch &panel)
{
    for (QFrame *Ui::Form1::*other : panel.hideFirst)
        ((*ui).*other)->hide();
    ((*ui).*panel.panel)->show();
}

void Form1::HelpOn_Click() { m_windows.showHelp(); }

void Form1::ReadmeOn_Click() { m_windows.showReadme(); }

void Form1::OpenRomDiagBox_Click() { m_windows.showRomChooserModal(); }

void Form1::GRIPINFO_Click()
{
    // The main window goes out of use before the dialog appears: the dialog
    // is modal to this window alone, so it takes no click, key or close
    // request, yet keeps its look, while Help and the readme stay usable.
    m_windows.showGripInfo();
}

} // namespace tavik
