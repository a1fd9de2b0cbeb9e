// The real desktop services: Qt message boxes, the detached process start and
// the libcanberra sound effect.
#pragma once

#include "platform/messageboxes.h"
#include "platform/platform.h"

#include <memory>

namespace tavik {

class EndWatch;
class SoundEffect;

class DesktopPlatform final : public Platform {
public:
    DesktopPlatform();
    ~DesktopPlatform() override;

    // The window every message box belongs to (the main window once it is
    // loaded); a box with no owner stands alone.
    void setMessageBoxOwner(std::function<QWidget *()> owner) { m_boxes.setOwner(std::move(owner)); }

    void showNotice(const QString &message) override;
    bool askYesNo(const QString &question) override;
    Outcome startEmulator(const EmulatorCommand &command, const QString &runFolder) override;
    void showEarlyEnd(const QString &report) override;
    void playSound(const QString &wavFile) override;

private:
    MessageBoxes m_boxes;
    const std::unique_ptr<SoundEffect> m_sound;
    // Reports of emulators that ended at once are posted to the receiver's
    // thread. The watch goes first, and its thread with it: no report is
    // posted after that, and one still queued goes with the receiver.
    const std::unique_ptr<QObject> m_receiver;
    const std::unique_ptr<EndWatch> m_watch;
};

} // namespace tavik
