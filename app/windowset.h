// The window set: one instance of each window, created on first use and
// reachable by name. Unloading a window deletes it; the next use builds it
// afresh from its layout. Windows know each other only through this object.
#pragma once

#include "platform/platform.h"

#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

namespace tavik {

class Form1;
class FrmSplash;
class About;
class Help;
class Form3;
class Dialogbox1;
class Form5;

class WindowSet {
public:
    explicit WindowSet(Platform &platform);
    ~WindowSet();
    WindowSet(const WindowSet &) = delete;
    WindowSet &operator=(const WindowSet &) = delete;

    Form1 *form1();
    FrmSplash *frmSplash();
    About *about();
    Help *help();
    Form3 *form3();
    Dialogbox1 *dialogbox1();
    Form5 *form5();

    bool isForm1Loaded() const { return !m_form1.isNull(); }
    bool isSplashLoaded() const { return !m_splash.isNull(); }
    bool isAboutLoaded() const { return !m_about.isNull(); }
    bool isHelpLoaded() const { return !m_help.isNull(); }
    bool isForm3Loaded() const { return !m_form3.isNull(); }
    bool isDialogbox1Loaded() const { return !m_dialogbox1.isNull(); }
    bool isForm5Loaded() const { return !m_form5.isNull(); }

    Platform &platform() { return m_platform; }

    // The video mode the launches use; the main window's load step sets it.
    QString videoModeSwitch;
    // The folder of the last file picked in the ROM chooser, where the emulator
    // runs so that it finds the bare name the chooser wrote; empty until then.
    QString romFolder;

    // Ends the program: every window closes and the event loop stops.
    void endProgram();
    // What ending the program does beyond closing the windows; tests record it.
    std::function<void()> quitEventLoop;

    static void centreOnScreen(QWidget *window);

private:
    Platform &m_platform;
    QPointer<Form1> m_form1;
    QPointer<FrmSplash> m_splash;
    QPointer<About> m_about;
    QPointer<Help> m_help;
    QPointer<Form3> m_form3;
    QPointer<Dialogbox1> m_dialogbox1;
    QPointer<Form5> m_form5;
};

} // namespace tavik
