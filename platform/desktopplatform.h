// The real desktop services: Qt message boxes, the detached process start and
// the libcanberra sound effect.
#pragma once

#include "platform/platform.h"

namespace tavik {

class DesktopPlatform final : public Platform {
public:
    void showNotice(const QString &message) override;
    bool askYesNo(const QString &question) override;
    QString startEmulator(const EmulatorCommand &command, const QString &runFolder) override;
    void playSound(const QString &wavFile) override;
};

} // namespace tavik
