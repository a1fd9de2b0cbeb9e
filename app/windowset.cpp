#include "app/windowset.h"

#include "infowindows/about.h"
#include "infowindows/dialogbox1.h"
#include "infowindows/form3.h"
#include "infowindows/help.h"
#include "infowindows/frmsplash.h"
#include "mainwindow/form1.h"
#include "romchooser/form5.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tavik {

WindowSet::WindowSet(Platform &platform)
    : quitEventLoop([] { QCoreApplication::quit(); }), m_platform(platform)
{
}

WindowSet::~WindowSet()
{
    delete m_about.data();
    delete m_help.data();
    delete m_form3.data();
    delete m_dialogbox1.data();
    delete m_form5.data();
    delete m_form1.data();
    delete m_splash.data();
}

Form1 *WindowSet::form1()
{
    if (!m_form1) {
        m_form1 = new Form1(*this);
        m_form1->Form1_Load();
    }
    return m_form1;
}

FrmSplash *WindowSet::frmSplash()
{
    if (!m_splash)
        m_splash = new FrmSplash(*this);
    return m_splash;
}

About *WindowSet::about()
{
    if (!m_about)
        m_about = new About();
    return m_about;
}

Help *WindowSet::help()
{
    if (!m_help)
        m_help = new Help();
    return m_help;
}

Form3 *WindowSet::form3()
{
    if (!m_form3)
        m_form3 = new Form3();
    return m_form3;
}

Dialogbox1 *WindowSet::dialogbox1()
{
    if (!m_dialogbox1)
        m_dialogbox1 = new Dialogbox1();
    return m_dialogbox1;
}

Form5 *WindowSet::form5()
{
    if (!m_form5)
        m_form5 = new Form5(*this);
    return m_form5;
}

void WindowSet::endProgram()
{
    // Every window goes at once; none of their own close handlers runs.
    for (QWidget *window : {static_cast<QWidget *>(m_about.data()), static_cast<QWidget *>(m_splash.data()),
                            static_cast<QWidget *>(m_help.data()), static_cast<QWidget *>(m_form3.data()),
                            static_cast<QWidget *>(m_dialogbox1.data()), static_cast<QWidget *>(m_form5.data())}) {
        if (window) {
            window->hide();
            window->deleteLater();
        }
    }
    if (m_form1) {
        m_form1->hide();
        m_form1->deleteLater();
    }
    quitEventLoop();
}

void WindowSet::centreOnScreen(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize frame = window->frameGeometry().size();
    window->move(available.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

} // namespace tavik
