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
    if (ui->DisableSound->checkState() == Qt::PartiallyChecked)
        return;
    const bool soundOn = ui->DisableSound->checkState() == Qt::Unchecked;
    setAllEnabled({ui->MonoSound, ui->StereoSound, ui->cmbSoundPlbk, ui->SoundRatio, ui->SoundBuffersize}, soundOn);
    // Sound always comes back as mono; the cleared boxes stay cleared.
    setOptionValue(ui->StereoSound, false);
    setOptionValue(ui->MonoSound, soundOn);
    for (QCheckBox *box : {ui->NoSampleCaching, ui->NoSoundEcho, ui->NoMasterVol}) {
        box->setEnabled(soundOn);
        if (!soundOn)
            box->setChecked(false);
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
    if (ui->NoJoy->checkState() == Qt::PartiallyChecked)
        return;
    // No kind comes back selected; the user picks one anew.
    const bool joystickOn = ui->NoJoy->checkState() == Qt::Unchecked;
    for (QRadioButton *kind : {ui->Joy4, ui->Joy6, ui->Joy8, ui->JoyS}) {
        kind->setEnabled(joystickOn);
        if (!joystickOn)
            setOptionValue(kind, false);
    }
}

} // namespace tavik
