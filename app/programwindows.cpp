#include "app/programwindows.h"

#include "appearance/appearance.h"
#include "infowindows/about.h"
#include "infowindows/gripinfo.h"
#include "infowindows/readmeviewer.h"
#include "infowindows/frmsplash.h"
#include "infowindows/help.h"
#include "mainwindow/form1.h"
#include "romchooser/form5.h"
#include "system/folderreading.h"

#include <QCoreApplication>

namespace tavik {
namespace {

// Creates the window behind `slot` when it is not loaded.
template <typename Window, typename... Args>
Window *loaded(QPointer<Window> &slot, Args &&...args)
{
    if (!slot)
        slot = new Window(std::forward<Args>(args)...);
    return slot;
}

// A modeless window: shown, or brought to the front when it is already up.
void showModeless(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

ProgramWindows::ProgramWindows(Platform &platform)
    : quitEventLoop([] { QCoreApplication::quit(); }), m_platform(platform)
{
}

ProgramWindows::~ProgramWindows()
{
    for (QWidget *window : {static_cast<QWidget *>(m_about.data()), static_cast<QWidget *>(m_help.data()),
                            static_cast<QWidget *>(m_form3.data()), static_cast<QWidget *>(m_dialogbox1.data()),
                            static_cast<QWidget *>(m_form5.data()), static_cast<QWidget *>(m_form1.data()),
                            static_cast<QWidget *>(m_splash.data())})
        delete window;
}

Form1 *ProgramWindows::form1() { return loaded(m_form1, *this); }

FrmSplash *ProgramWindows::frmSplash() { return loaded(m_splash, *this); }
About *ProgramWindows::about() { return loaded(m_about); }
Help *ProgramWindows::help() { return loaded(m_help); }
Form3 *ProgramWindows::form3() { return loaded(m_form3); }
Dialogbox1 *ProgramWindows::dialogbox1() { return loaded(m_dialogbox1); }

Form5 *ProgramWindows::form5()
{
    if (!m_form5) {
        // Each opening starts afresh at the launcher's working folder.
        m_form5 = new Form5(*this, workingFolderPath());
        // A picked file goes to the main window by name and folder.
        QObject::connect(m_form5, &Form5::filePicked, form1(), &Form1::setRomPath);
    }
    return m_form5;
}

void ProgramWindows::showMainWindow()
{
    const bool first = !m_form1;
    form1()->show();
    if (first)
        centreOnScreen(m_form1);
}

void ProgramWindows::showAboutModal() { about()->exec(); }
void ProgramWindows::showHelp() { showModeless(help()); }
void ProgramWindows::showReadme() { showModeless(form3()); }
void ProgramWindows::showRomChooserModal() { form5()->exec(); }

void ProgramWindows::showGripInfo(QWidget *mainWindow)
{
    Dialogbox1 *dialog = dialogbox1();
    dialog->blockWhileShown(mainWindow);
    showModeless(dialog);
}

void ProgramWindows::endProgram()
{
    // Every window goes at once; none of their own close handlers runs.
    for (QWidget *window : {static_cast<QWidget *>(m_about.data()), static_cast<QWidget *>(m_splash.data()),
                            static_cast<QWidget *>(m_help.data()), static_cast<QWidget *>(m_form3.data()),
                            static_cast<QWidget *>(m_dialogbox1.data()), static_cast<QWidget *>(m_form5.data()),
                            static_cast<QWidget *>(m_form1.data())}) {
        if (window) {
            window->hide();
            window->deleteLater();
        }
    }
    quitEventLoop();
}

} // namespace tavik
