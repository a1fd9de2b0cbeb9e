#include "platform/desktopplatform.h"

#include "platform/windowowner.h"
#include "system/emulatorstart.h"
#include "system/soundeffect.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace tavik {

namespace {

constexpr int reservedDescriptors = 4;

void reserveDescriptors(std::vector<int> &reserve)
{
    while (reserve.size() < reservedDescriptors) {
        const int descriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (descriptor < 0)
            return;
        reserve.push_back(descriptor);
    }
}

void releaseDescriptors(std::vector<int> &reserve)
{
    for (const int descriptor : reserve)
        ::close(descriptor);
    reserve.clear();
}

// Shows `box` modally over `owner`, with the reserved descriptors free.
int execOver(QMessageBox &box, QWidget *owner, std::vector<int> &reserve)
{
    box.setWindowModality(Qt::ApplicationModal);
    makeTransientFor(&box, owner);
    releaseDescriptors(reserve);
    const int answer = box.exec();
    reserveDescriptors(reserve);
    return answer;
}

} // namespace

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
    reserveDescriptors(m_reserve);
}

DesktopPlatform::~DesktopPlatform()
{
    {
        const std::lock_guard<std::mutex> hold(m_mailbox->lock);
        m_mailbox->receiver = nullptr;
    }
    releaseDescriptors(m_reserve);
}

void DesktopPlatform::showNotice(const QString &message)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle, message, QMessageBox::Ok);
    execOver(box, m_owner ? m_owner() : nullptr, m_reserve);
}

void DesktopPlatform::showNoticeOverWhatIsUp(const QString &message)
{
    QWidget *blocking = QApplication::activeModalWidget();
    QMessageBox box(QMessageBox::NoIcon, applicationTitle, message, QMessageBox::Ok);
    execOver(box, blocking ? blocking : m_owner ? m_owner() : nullptr, m_reserve);
}

bool DesktopPlatform::askYesNo(const QString &question)
{
    QMessageBox box(QMessageBox::Question, applicationTitle, question, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return execOver(box, m_owner ? m_owner() : nullptr, m_reserve) == QMessageBox::Yes;
}

Outcome DesktopPlatform::startEmulator(const EmulatorCommand &command, const QString &runFolder)
{
    const auto report = [this, mailbox = m_mailbox](const QString &message) {
        const std::lock_guard<std::mutex> hold(mailbox->lock);
        if (mailbox->receiver) {
            QMetaObject::invokeMethod(
                mailbox->receiver, [this, message] { showNoticeOverWhatIsUp(message); }, Qt::QueuedConnection);
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

std::vector<char *> withPreferredPlatform(int argc, char *argv[],
                                          const std::function<QByteArray(const char *)> &environment)
{
    std::vector<char *> arguments(argv, argv + argc);
    bool chosen = !environment("QT_QPA_PLATFORM").isEmpty();
    for (int i = 1; i < argc && !chosen; ++i)
        chosen = std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0;
    if (!chosen && !environment("WAYLAND_DISPLAY").isEmpty() && !environment("DISPLAY").isEmpty()) {
        static char option[] = "-platform";
        // Qt tries each in turn: Xwayland first, native Wayland when X does not answer.
        static char platforms[] = "xcb;wayland";
        arguments.insert(arguments.begin() + (argc > 0 ? 1 : 0), {option, platforms});
    }
    arguments.push_back(nullptr);
    return arguments;
}

} // namespace tavik
