// The real desktop services: Qt message boxes, the detached process start and
// the libcanberra sound effect; and which of Qt's platforms the program asks
// the window system for.
#pragma once

#include "platform/platform.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace tavik {

class SoundEffect;

class DesktopPlatform final : public Platform {
public:
    DesktopPlatform();
    ~DesktopPlatform() override;

    // The window every message box belongs to (the main window once it is
    // loaded); a box with no owner stands alone.
    void setMessageBoxOwner(std::function<QWidget *()> owner) { m_owner = std::move(owner); }

    void showNotice(const QString &message) override;
    bool askYesNo(const QString &question) override;
    Outcome startEmulator(const EmulatorCommand &command, const QString &runFolder) override;
    void playSound(const QString &wavFile) override;

private:
    struct Mailbox;
    // A message box over the window that is blocking input now (a modal
    // window or another box), or else over the main window.
    void showNoticeOverWhatIsUp(const QString &message);

    std::function<QWidget *()> m_owner;
    const std::unique_ptr<SoundEffect> m_sound;
    // Reports of emulators that ended at once arrive on the start's own
    // thread; they reach this object's thread through the mailbox, for as
    // long as it exists.
    const std::unique_ptr<QObject> m_receiver;
    const std::shared_ptr<Mailbox> m_mailbox;
    // A few descriptors held in reserve, let go while a message box shows,
    // so that its text can still be drawn (its face read) when the launcher
    // has run out of them.
    std::vector<int> m_reserve;
};

// The window layout is absolute and every first position is part of it, which
// a native Wayland client cannot ask for. On a Wayland session (WAYLAND_DISPLAY
// set) that also offers X (DISPLAY set), the program runs through Xwayland:
// the returned arguments ask Qt for its xcb platform, with native Wayland as
// the fallback. A platform the user chose (QT_QPA_PLATFORM, or -platform on
// the command line) is left alone. `environment` looks a variable up; the
// result is `arguments` with the platform choice added after the program name.
std::vector<char *> withPreferredPlatform(int argc, char *argv[],
                                          const std::function<QByteArray(const char *)> &environment);

} // namespace tavik
