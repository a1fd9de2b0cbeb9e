// The services the windows get from the desktop: message boxes, the emulator
// start (and the report of an emulator that ended at once), the sound effect
// and the folders the ROM chooser reads. Windows reach them only through this
// interface, so tests can answer message boxes, record starts and sounds, and
// watch folder reads.
#pragma once

#include "launch/emulatorcommand.h"
#include "launch/outcome.h"
#include "system/folderreading.h"

#include <QString>

#include <memory>

namespace tavik {

// Every message box carries the program's title.
inline const QString applicationTitle = QStringLiteral("Tavik 2.5");

class Platform {
public:
    virtual ~Platform() = default;

    // An OK-only message box with no icon; returns once it is closed.
    virtual void showNotice(const QString &message) = 0;
    // Yes and No with the question icon, Yes the default; true for Yes.
    virtual bool askYesNo(const QString &question) = 0;
    // Starts the emulator's command detached, running in `runFolder` (the
    // launcher's working folder when that is empty). An emulator that ends as
    // soon as it started comes back later through showEarlyEnd().
    virtual Outcome startEmulator(const EmulatorCommand &command, const QString &runFolder) = 0;
    // The report of an emulator that ended as soon as it started: an OK-only
    // box over the window in front. While one is up, later reports are
    // gathered into it rather than piled up in boxes of their own.
    virtual void showEarlyEnd(const QString &report) = 0;
    // Plays a WAV file to its end, or the desktop's default event sound when
    // the file cannot be played. The wait is bounded.
    virtual void playSound(const QString &wavFile) = 0;
    // Opens a folder to read its entries from: the system's folder itself.
    virtual std::unique_ptr<FolderReader> openFolder(const QString &folder)
    {
        return std::make_unique<FolderReader>(folder);
    }
};

} // namespace tavik
