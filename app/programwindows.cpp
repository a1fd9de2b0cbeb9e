#include "app/programwindows.h"

#include "appearance/appearance.h"
#include "infowindows/about.h"
#include "infowindows/gripinfo.h"
#include "infowindows/readmeviewer.h"
#include "infowindows/frmsplash.h"
#include "infowindows/help.h"
#include "mainwindow/form1.h"
#include "platform/windowowner.h"
#include "romchooser/form5.h"
#include "system/folderreading.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>

#include <tuple>
#include <utility>

namespace tavik {
namespace {

// The window of class `Window` in `windowSlots`, created when it is not loaded.
template <typename Window, typename Slots, typename... Args>
Window *loaded(Slots &windowSlots, Args &&...args)
{
    QPointer<Window> &slot = std::get<QPointer<Window>>(windowSlots);
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

// Keeps the window that blocks the main window within the user's reach. Each
// modal window belongs to the main window, so the window manager stacks and
// focuses the two together; but not every window manager minimises them
// together, and on some a click on the blocked main window activates it. The
// user would then face a main window that takes no input, with the window that
// blocks it out of sight or without the keys. So: when the blocking window is
// minimised, the main window follows it; when the main window is restored or
// activated while blocked, the blocking window comes forward with the keys.
class ProgramWindows::ModalKeeper final : public QObject {
public:
    explicit ModalKeeper(ProgramWindows &windows) : m_windows(windows)
    {
        qApp->installEventFilter(this);
        connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *window) {
            const QWidget *main = m_windows.mainWindow();
            if (main && window && window == main->windowHandle())
                bringForward(blockingWindow());
        });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::WindowStateChange)
            return false;
        QWidget *main = m_windows.mainWindow();
        QWidget *modal = blockingWindow();
        if (!main || !modal)
            return false;
        if (watched == modal && modal->isMinimized() && !main->isMinimized())
            main->showMinimized();
        else if (watched == main && !main->isMinimized())
            // Once the main window's own restore has run its course.
            QTimer::singleShot(0, this, [this] { bringForward(blockingWindow()); });
        return false;
    }

private:
    // The modal window (About, the chooser, a message box, GrIP) that keeps
    // the main window from taking input, if any.
    QWidget *blockingWindow() const
    {
        const Form1 *main = m_windows.mainWindow();
        if (!main || main->takesInput())
            return nullptr;
        QWidget *modal = QApplication::activeModalWidget();
        return modal != main ? modal : nullptr;
    }

    static void bringForward(QWidget *window)
    {
        if (!window || !window->isVisible())
            return;
        if (window->isMinimized())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->raise();
        window->activateWindow();
    }

    ProgramWindows &m_windows;
};

ProgramWindows::ProgramWindows(Platform &platform)
    : m_platform(platform),
      m_modalKeeper(std::make_unique<ModalKeeper>(*this))
{
}

ProgramWindows::~ProgramWindows()
{
    qDeleteAll(loadedWindows());
}

QList<QWidget *> ProgramWindows::loadedWindows() const
{
    QList<QWidget *> loaded = std::apply([](const auto &...slot) { return QList<QWidget *>{slot...}; }, m_slots);
    loaded.removeAll(nullptr);
    return loaded;
}

Form1 *ProgramWindows::mainWindow() const { return std::get<QPointer<Form1>>(m_slots); }

QWidget *ProgramWindows::dialogOwner() const { return mainWindow(); }

Form1 *ProgramWindows::form1() { return loaded<Form1>(m_slots, *this); }

FrmSplash *ProgramWindows::frmSplash() { return loaded<FrmSplash>(m_slots, *this); }
About *ProgramWindows::about() { return loaded<About>(m_slots); }
Help *ProgramWindows::help() { return loaded<Help>(m_slots); }
Form3 *ProgramWindows::form3() { return loaded<Form3>(m_slots); }
Dialogbox1 *ProgramWindows::dialogbox1() { return loaded<Dialogbox1>(m_slots); }

Form5 *ProgramWindows::form5()
{
    QPointer<Form5> &chooser = std::get<QPointer<Form5>>(m_slots);
    if (!chooser) {
        // Each opening starts afresh at the launcher's working folder, or at
        // the folder the program was given.
        chooser = new Form5(*this, m_chooserStart.isEmpty() ? workingFolderPath() : m_chooserStart);
        // A picked file goes to the main window by name and folder.
        QObject::connect(chooser, &Form5::filePicked, form1(), &Form1::setRomPath);
    }
    return chooser;
}

void ProgramWindows::showMainWindow()
{
    const bool first = !isMainWindowLoaded();
    Form1 *form = form1();
    form->show();
    if (!first)
        return;
    centreOnScreen(form);
    if (!m_givenAtStart.isNull()) {
        // After the window has shown, so that a message about the file, or
        // the chooser, comes over it.
        QTimer::singleShot(0, form, [form = QPointer(form), given = std::exchange(m_givenAtStart, QString())] {
            if (form)
                form->openGivenFile(given);
        });
    }
}

// The modal windows and the GrIP dialog belong to the main window (their
// transient parent), not to a hidden leader window: the window manager keeps
// them above it and brings them back with it.
void ProgramWindows::showAboutModal()
{
    makeTransientFor(about(), dialogOwner());
    about()->exec();
}

void ProgramWindows::showHelp() { showModeless(help()); }
void ProgramWindows::showReadme() { showModeless(form3()); }

void ProgramWindows::showRomChooserModal()
{
    makeTransientFor(form5(), dialogOwner());
    form5()->exec();
}

void ProgramWindows::showRomChooserModalAt(const QString &folder)
{
    m_chooserStart = folder;
    showRomChooserModal();
}

void ProgramWindows::showGripInfo()
{
    // Modal to its owner alone: the main window takes no input while it
    // shows, yet keeps its look, and Help and the readme stay usable.
    Dialogbox1 *dialog = dialogbox1();
    makeTransientFor(dialog, dialogOwner());
    dialog->setWindowModality(Qt::WindowModal);
    showModeless(dialog);
}

void ProgramWindows::endProgram()
{
    // Every window goes at once; none of their own close handlers runs.
    for (QWidget *window : loadedWindows()) {
        window->hide();
        window->deleteLater();
    }
    QCoreApplication::quit();
}

} // namespace tavik
