// Form1, the main window: every option control, the launch and exit buttons
// and the buttons that open the other windows.
//
// The controls come from the window's layout file; this class holds their
// handlers, split by rule across three files:
//   form1.cpp          the window, its load and unload steps, the launch
//                      press and the logo;
//   panelnavigation.cpp the six panel buttons and the buttons that open
//                      Help, the readme, the ROM chooser and the GrIP dialog;
//   interlocks.cpp     the four master check boxes.
// A press of "< EMULATE! >" reads the controls into a LaunchSettings record
// and hands it, with the video mode in force, to the launch core; what comes
// back goes to the platform: the notices, then the refusal or the command,
// started in the folder of the last picked ROM. Nothing here composes a
// command line.
// A file given from outside (the command line, a drop anywhere on the window)
// is taken as if it had been picked in the ROM chooser.
#pragma once

#include "launch/launchsettings.h"

#include <QWidget>
#include <array>
#include <memory>
#include <utility>

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;

namespace Ui {
class Form1;
}

namespace tavik {

class WindowSet;
struct PanelSwitch;

class Form1 : public QWidget {
    Q_OBJECT

public:
    // Builds the window with every control in its starting state and runs
    // its load step.
    explicit Form1(WindowSet &windows);
    ~Form1() override;

    // False while the GrIP dialog or a modal window holds the main window out of use.
    bool takesInput() const;

public slots:
    // A file picked in the ROM chooser: its bare name goes into the ROM
    // field, and its folder is where the emulator will run.
    void setRomPath(const QString &fileName, const QString &folder);
    // A file given from outside, as a path or a file: URL: a ROM goes into
    // the ROM field as a pick would; a folder opens the ROM chooser there;
    // anything else is refused in a message box, and nothing changes.
    void openGivenFile(const QString &given);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The snapshot of every control whose state reaches the command line.
    LaunchSettings readLaunchSettings() const;

    void Form1_Load();
    void Form1_Unload();
    void Start_Click();
    void quit_Click();
    void Picture1_Click();

    void connectPanelNavigation();
    void switchPanel(const PanelSwitch &panel);
    void HelpOn_Click();
    void ReadmeOn_Click();
    void GRIPINFO_Click();
    void OpenRomDiagBox_Click();

    void connectInterlocks();
    void CheatOn_Click();
    void DisableSound_Click();
    void EnableManualSettings_Click();
    void NoJoy_Click();

    void nameForScreenReaders();
    // The six option panels with their buttons, in the order of the buttons.
    std::array<std::pair<QPushButton *, QFrame *>, 6> panels() const;
    // The ten cheat codes: each one's box and field, in entry order.
    std::array<std::pair<QCheckBox *, QLineEdit *>, 10> codeEntries() const;

    std::unique_ptr<Ui::Form1> ui;
    WindowSet &m_windows;
    QString m_videoModeSwitch;
    QString m_romFolder;
};

} // namespace tavik
