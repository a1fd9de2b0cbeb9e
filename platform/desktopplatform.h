// The real desktop services: Qt message boxes, the detached process start and
// the libcanberra sound effect.
#pragma once

#include "platform/platform.h"

#include <memory>

namespace tavik {

class SoundEffect;

class DesktopPlatform final : public Platform {
public:
    DesktopPlatform();
    ~DesktopPlatform() override;

    void showNotice(const QString &message) override;
    bool askYesNo(const QString &question) override;
    QString startEmulator(const QString &commandLine, const QString &romPath,
                          const QString &romFolder) override;
    void playSound(const QString &wavFile) override;

private:
    const std::unique_ptr<SoundEffect> m_sound;
};

} // namespace tavik
