#include "platform/desktopplatform.h"

#include "system/emulatorstart.h"
#include "system/soundeffect.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

namespace tavik {

DesktopPlatform::DesktopPlatform() : m_sound(std::make_unique<SoundEffect>()) {}

DesktopPlatform::~DesktopPlatform() = default;

void DesktopPlatform::showNotice(const QString &message)
{
    QMessageBox box(QMessageBox::NoIcon, applicationTitle, message, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool DesktopPlatform::askYesNo(const QString &question)
{
    QMessageBox box(QMessageBox::Question, applicationTitle, question, QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}

QString DesktopPlatform::startEmulator(const QString &commandLine, const QString &romPath,
                                      const QString &romFolder)
{
    return StartEmulator(commandLine, romPath, romFolder);
}

void DesktopPlatform::playSound(const QString &wavFile)
{
    // The sound plays synchronously: no window takes input meanwhile, and the
    // input that arrives during it is not replayed afterwards.
    m_sound->playSynchronously(wavFile);
}

} // namespace tavik
