#include "platform/desktopplatform.h"

#include "system/emulatorstart.h"
#include "system/soundeffect.h"

namespace tavik {

DesktopPlatform::DesktopPlatform()
    : m_sound(std::make_unique<SoundEffect>()),
      m_receiver(std::make_unique<QObject>()),
      m_watch(std::make_unique<EndWatch>(m_receiver.get(), [this](const QString &report) { showEarlyEnd(report); }))
{
}

DesktopPlatform::~DesktopPlatform() = default;

void DesktopPlatform::showNotice(const QString &message) { m_boxes.showNotice(message); }

bool DesktopPlatform::askYesNo(const QString &question) { return m_boxes.askYesNo(question); }

Outcome DesktopPlatform::startEmulator(const EmulatorCommand &command, const QString &runFolder)
{
    return StartEmulator(command, runFolder, *m_watch);
}

void DesktopPlatform::showEarlyEnd(const QString &report) { m_boxes.showEarlyEnd(report); }

void DesktopPlatform::playSound(const QString &wavFile)
{
    // The sound plays synchronously: no window takes input meanwhile, and the
    // input that arrives during it is not replayed afterwards.
    m_sound->playSynchronously(wavFile);
}

} // namespace tavik
