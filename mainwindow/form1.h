// Form1, the main window: every option control, the launch and exit buttons
// and the buttons that open the other windows. The controls themselves come
// from the window's layout file; this class holds the handlers. The launch
// reads the controls into a LaunchSettings record and hands it to the launch
// core; nothing here composes a command line.
#pragma once

#include "launch/launchsettings.h"

#include <QWidget>
#include <memory>

namespace Ui {
class Form1;
}

namespace tavik {

class WindowSet;

class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(WindowSet &windows);
    ~Form1() override;

    Ui::Form1 &controls() { return *ui; }

    // The snapshot of every control whose state reaches the command line.
    LaunchSettings readLaunchSettings() const;

    // False while the GrIP dialog or a modal window holds the main window out of use.
    bool takesInput() const;

    void Form1_Load();
    void Start_Click();
    void quit_Click();
    void Picture1_Click();

    void VideoOn_Click();
    void SoundOn_Click();
    void RomTypeOn_Click();
    void JoystixOn_Click();
    void MiscOn_Click();
    void Command1_Click();
    void HelpOn_Click();
    void ReadmeOn_Click();
    void GRIPINFO_Click();
    void OpenRomDiagBox_Click();

    void CheatOn_Click();
    void DisableSound_Click();
    void EnableManualSettings_Click();
    void NoJoy_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form1_Unload();
    void connectPanelsAndInterlocks();
    void nameForScreenReaders();

    std::unique_ptr<Ui::Form1> ui;
    WindowSet &m_windows;
};

} // namespace tavik
