// ProgramWindows: the program's window set. It owns one instance of each
// window, creates it on first use and carries out the operations the windows
// ask of one another. Unloading a window deletes it; the next use builds it
// afresh from its layout. Tests build one per case, with a fake platform, and
// find its windows as a user does, on the screen (by class and object name).
#pragma once

#include "windowset/windowset.h"

#include <QList>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <tuple>

namespace tavik {

class Form1;
class FrmSplash;
class About;
class Help;
class Form3;
class Dialogbox1;
class Form5;

class ProgramWindows final : public WindowSet {
public:
    explicit ProgramWindows(Platform &platform);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    // The splash, which the program shows first, loaded on first use.
    FrmSplash *frmSplash();

    // The window every modal window and message box belongs to: the main
    // window once it is loaded, else none.
    QWidget *dialogOwner() const;

    Platform &platform() override { return m_platform; }
    void showMainWindow() override;
    bool isMainWindowLoaded() const override { return !std::get<QPointer<Form1>>(m_slots).isNull(); }
    void showAboutModal() override;
    void showHelp() override;
    void showReadme() override;
    void showRomChooserModal() override;
    void showRomChooserModalAt(const QString &folder) override;
    void showGripInfo() override;
    void endProgram() override;

    // A file the program was started with (a path or a file: URL), taken by
    // the main window once it shows, as if it had been dropped there.
    void openAtStart(const QString &given) { m_givenAtStart = given; }

private:
    class ModalKeeper;

    // Each window by name, loaded on first use.
    Form1 *form1();
    About *about();
    Help *help();
    Form3 *form3();
    Dialogbox1 *dialogbox1();
    Form5 *form5();

    // The windows loaded now, those that belong to another before it.
    QList<QWidget *> loadedWindows() const;
    // The main window while it is loaded, else null.
    Form1 *mainWindow() const;

    Platform &m_platform;
    std::unique_ptr<ModalKeeper> m_modalKeeper;
    // One slot for each window, null while the window is not loaded; a window
    // that belongs to another comes before it.
    std::tuple<QPointer<About>, QPointer<Help>, QPointer<Form3>, QPointer<Dialogbox1>, QPointer<Form5>,
               QPointer<Form1>, QPointer<FrmSplash>>
        m_slots;
    // Where the ROM chooser starts; the working folder while empty.
    QString m_chooserStart;
    QString m_givenAtStart;
};

} // namespace tavik
