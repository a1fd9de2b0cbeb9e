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
    bool isMainWindowLoaded() const override { return !m_form1.isNull(); }
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

    Platform &m_platform;
    std::unique_ptr<ModalKeeper> m_modalKeeper;
    QPointer<Form1> m_form1;
    QPointer<FrmSplash> m_splash;
    QPointer<About> m_about;
    QPointer<Help> m_help;
    QPointer<Form3> m_form3;
    QPointer<Dialogbox1> m_dialogbox1;
    QPointer<Form5> m_form5;
    // Where the ROM chooser starts; the working folder while empty.
    QString m_chooserStart;
    QString m_givenAtStart;
};

} // namespace tavik
