#include "platform/desktopplatform.h"

#include "system/emulatorstart.h"
#include "system/soundeffect.h"

#include <mutex>

namespace tavik {

struct DesktopPlatform::Mailbox {
    std::mutex lock;
    QObject *receiver = nullptr;
};

DesktopPlatform::DesktopPlatform()
    : m_sound(std::make_unique<SoundEffect>()),
      m_receiver(std::make_unique<QObject>()),
      m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->receiver = m_receiver.get();
}

DesktopPlatform::~DesktopPlatform()
{
    {
        const std::lock_guard<std::mutex> hold(m_mailbox->lock);
        m_mailbox->receiver = nullptr;
    }
}

void DesktopPlatform::showNotice(const QString &message) { m_boxes.showNotice(message); }

bool DesktopPlatform::askYesNo(const QString &question) { return m_boxes.askYesNo(question); }

Outcome DesktopPlatform::startEmulator(const EmulatorCommand &command, const QString &runFolder)
{
    const auto report = [this, mailbox = m_mailbox](const QString &message) {
        const std::lock_guard<std::mutex> hold(mailbox->lock);
        if (mailbox->receiver) {
            QMetaObject::invokeMethod(
                mailbox->receiver, [this, message] { m_boxes.showNoticeOverWhatIsUp(message); }, Qt::QueuedConnection);
        }
    };
    return StartEmulator(command, runFolder, StartEnvironment::current(), report);
}

void DesktopPlatform::playSound(const QString &wavFile)
{
    // The sound plays synchronously: no window takes input meanwhile, and the
    // input that arrives during it is not replayed afterwards.
    m_sound->playSynchronously(wavFile);
}

} // namespace tavik
