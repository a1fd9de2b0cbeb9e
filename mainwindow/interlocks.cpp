// The four master check boxes of the main window, which enable, disable and
// clear their dependent options.
#include "mainwindow/form1.h"

#include "ui_form1.h"

#include <initializer_list>

namespace tavik {
namespace {

void setAllEnabled(std::initializer_list<QWidget *> controls, bool enabled)
{
    for (QWidget *control : controls)
        control->setEnabled(enabled);
}

// Unselects an option button, which its group would otherwise refuse when it
// leaves the group with no selection.
void setOptionValue(QRadioButton *button, bool value)
{
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(value);
    button->setAutoExclusive(exclusive);
}

} // namespace

void Form1::connectInterlocks()
{
    connect(ui->CheatOn, &QCheckBox::clicked, this, &Form1::CheatOn_Click);
    connect(ui->DisableSound, &QCheckBox::clicked, this, &Form1::DisableSound_Click);
    connect(ui->EnableManualSettings, &QCheckBox::clicked, this, &Form1::EnableManualSettings_Click);
    connect(ui->NoJoy, &QCheckBox::clicked, this, &Form1::NoJoy_Click);
}

// A grayed master (partially checked) changes nothing in any of the four rules.

void Form1::CheatOn_Click()
{
    if (ui->CheatOn->checkState() == Qt::PartiallyChecked)
        return;
    // Values are kept: the cartridge and the ticked codes come back unchanged.
    const bool on = ui->CheatOn->checkState() == Qt::Checked;
    setAllEnabled({ui->GameGenie, ui->GoldFinger, ui->ActionReplay}, on);
    for (const auto &[box, field] : codeEntries())
        box->setEnabled(on);
}

void Form1::DisableSound_Click()
{
    switch (ui->DisableSound->checkState()) {
    case Qt::Checked:
        setAllEnabled({ui->MonoSound, ui->StereoSound, ui->NoSampleCaching, ui->NoSoundEcho, ui->NoMasterVol}, false);
        setOptionValue(ui->StereoSound, false);
        setOptionValue(ui->MonoSound, false);
        for (QCheckBox *box : {ui->NoSampleCaching, ui->NoSoundEcho, ui->NoMasterVol})
            box->setChecked(false);
        setAllEnabled({ui->cmbSoundPlbk, ui->SoundRatio, ui->SoundBuffersize}, false);
        break;
    case Qt::Unchecked:
        // Sound always comes back as mono; the cleared boxes stay cleared.
        setAllEnabled({ui->MonoSound, ui->StereoSound}, true);
        setOptionValue(ui->StereoSound, false);
        setOptionValue(ui->MonoSound, true);
        setAllEnabled({ui->cmbSoundPlbk, ui->SoundRatio, ui->SoundBuffersize, ui->NoSampleCaching, ui->NoSoundEcho,
                    ui->NoMasterVol},
                   true);
        break;
    case Qt::PartiallyChecked:
        break;
    }
}

void Form1::EnableManualSettings_Click()
{
    if (ui->EnableManualSettings->checkState() == Qt::PartiallyChecked)
        return;
    setAllEnabled({ui->HiRom, ui->LoROM, ui->NTSC, ui->PAL, ui->IntMode, ui->NoHDMA, ui->NoSpeedHacks,
                ui->DisableGraphWindows},
               ui->EnableManualSettings->checkState() == Qt::Checked);
}

void Form1::NoJoy_Click()
{
    switch (ui->NoJoy->checkState()) {
    case Qt::Checked:
        setAllEnabled({ui->Joy4, ui->Joy6, ui->Joy8, ui->JoyS}, false);
        for (QRadioButton *kind : {ui->Joy4, ui->Joy6, ui->Joy8, ui->JoyS})
            setOptionValue(kind, false);
        break;
    case Qt::Unchecked:
        // No kind is selected again; the user picks one anew.
        setAllEnabled({ui->Joy4, ui->Joy6, ui->Joy8, ui->JoyS}, true);
        break;
    case Qt::PartiallyChecked:
        break;
    }
}

} // namespace tavik
