#include "platform/desktopplatform.h"

#include "system/emulatorstart.h"
#include "system/soundeffect.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>

#include <cstring>

namespace tavik {

DesktopPlatform::DesktopPlatform() : m_sound(std::make_unique<SoundEffect>()) {}

DesktopPlatform::~DesktopPlatform() = default;

void DesktopPlatform::showNotice(const QString &message)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle, message, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    makeTransientFor(&box, m_owner ? m_owner() : nullptr);
    box.exec();
}

bool DesktopPlatform::askYesNo(const QString &question)
{
    QMessageBox box(QMessageBox::Question, applicationTitle, question, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setWindowModality(Qt::ApplicationModal);
    makeTransientFor(&box, m_owner ? m_owner() : nullptr);
    return box.exec() == QMessageBox::Yes;
}

QString DesktopPlatform::startEmulator(const EmulatorCommand &command, const QString &runFolder)
{
    return StartEmulator(command, runFolder);
}

void DesktopPlatform::playSound(const QString &wavFile)
{
    // The sound plays synchronously: no window takes input meanwhile, and the
    // input that arrives during it is not replayed afterwards.
    m_sound->playSynchronously(wavFile);
}

void makeTransientFor(QWidget *window, QWidget *owner)
{
    if (!window || !owner || window == owner)
        return;
    // Both need their native windows for the one to name the other; a
    // parentless widget's transient parent stays as set here when it shows.
    owner->winId();
    window->winId();
    if (QWindow *handle = window->windowHandle())
        handle->setTransientParent(owner->windowHandle());
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
