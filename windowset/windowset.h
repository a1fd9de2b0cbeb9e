// WindowSet: what one window may ask of the others. The windows know each
// other only through these named operations; the program's concrete window
// set (app/programwindows.h) creates each window on first use, keeps one
// instance of each and carries the operations out.
#pragma once

class QString;

namespace tavik {

class Platform;

class WindowSet {
public:
    // Message boxes, the emulator start and the sound effect.
    virtual Platform &platform() = 0;

    // Makes the main window visible, loading it (and running its load step)
    // first if it is not loaded yet.
    virtual void showMainWindow() = 0;
    virtual bool isMainWindowLoaded() const = 0;

    // The About window, modal: returns once it has been hidden or closed.
    virtual void showAboutModal() = 0;
    // Help and the readme viewer, modeless: shown, or brought to the front.
    virtual void showHelp() = 0;
    virtual void showReadme() = 0;
    // The ROM chooser, modal: returns once it has closed.
    virtual void showRomChooserModal() = 0;
    // The same, opened at `folder`, where every later opening starts too.
    virtual void showRomChooserModalAt(const QString &folder) = 0;
    // The GrIP dialog, which takes the main window out of use while it shows.
    virtual void showGripInfo() = 0;

    // Ends the program: every window closes at once and the event loop stops.
    virtual void endProgram() = 0;

protected:
    ~WindowSet() = default;
};

} // namespace tavik
