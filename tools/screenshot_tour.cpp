// Walks the program's windows through the states a user can see (boxes ticked
// and not, options chosen, sliders moved, controls disabled) and saves a
// screenshot of each, read back from the display server, so they show what
// the desktop really shows. Run under an X server:
//   screenshot_tour OUTPUT_FOLDER
#include "app/programwindows.h"
#include "appearance/appearance.h"
#include "infowindows/about.h"
#include "infowindows/gripinfo.h"
#include "infowindows/readmeviewer.h"
#include "infowindows/frmsplash.h"
#include "infowindows/help.h"
#include "mainwindow/form1.h"
#include "platform/platform.h"
#include "romchooser/form5.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScreen>
#include <QSlider>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace {

// The tour only looks: no message box, emulator or sound leaves it.
class SilentPlatform final : public tavik::Platform {
public:
    void showNotice(const QString &) override {}
    bool askYesNo(const QString &) override { return false; }
    tavik::Outcome startEmulator(const tavik::EmulatorCommand &, const QString &) override { return {}; }
    void showEarlyEnd(const QString &) override {}
    void playSound(const QString &) override {}
};

void settle(int milliseconds = 300)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void shoot(QWidget *window, const QString &file)
{
    settle();
    const QRect frame = window->frameGeometry();
    QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(),
                                                                frame.height());
    if (!shot.save(file))
        QTextStream(stderr) << "could not write " << file << Qt::endl;
}

template <typename T>
T *control(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

void click(QWidget *window, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        control<QAbstractButton>(window, name)->click();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    tavik::setUpStyleAndFaces();
    if (argc < 2) {
        QTextStream(stderr) << "usage: screenshot_tour OUTPUT_FOLDER" << Qt::endl;
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const auto file = [&out](const char *name) { return out + QLatin1Char('/') + QLatin1String(name) + QLatin1String(".png"); };

    // Nothing is started or played on a tour; message boxes answer No.
    SilentPlatform platform;
    tavik::ProgramWindows windows(platform);

    windows.frmSplash()->show();
    shoot(windows.frmSplash(), file("splash"));
    // The hand-over, without waiting out the splash's 1.5 s.
    windows.frmSplash()->findChild<QTimer *>()->start(0);
    settle();
    QWidget *main = windows.dialogOwner(); // the main window
    shoot(main, file("main"));

    const std::pair<const char *, std::function<void()>> scenes[] = {
        {"sound", [&] {
             click(main, {"SoundOn", "StereoSound", "NoSoundEcho"});
             control<QSlider>(main, "SoundRatio")->setValue(1);
         }},
        {"sound-disabled", [&] { click(main, {"DisableSound"}); }},
        {"video", [&] {
             click(main, {"VideoOn", "Trans", "Sixteenbit", "int2"});
             control<QComboBox>(main, "cmbVideo")->setCurrentIndex(7);
         }},
        {"romtype-initial", [&] { click(main, {"RomTypeOn"}); }},
        {"romtype", [&] { click(main, {"EnableManualSettings", "HiRom", "PAL", "NoHDMA"}); }},
        {"joystick", [&] { click(main, {"JoystixOn", "Joy6"}); }},
        {"joystick-disabled", [&] { click(main, {"NoJoy"}); }},
        {"misc", [&] {
             click(main, {"MiscOn"});
             control<QSlider>(main, "Frameskip")->setValue(3);
         }},
        {"cheats-initial", [&] { click(main, {"Command1"}); }},
        {"cheats", [&] {
             click(main, {"CheatOn", "GoldFinger", "Code2ON", "Code5ON"});
             control<QLineEdit>(main, "GCode2")->setText(QStringLiteral("7E0DBE05"));
             control<QLineEdit>(main, "GCode5")->setText(QStringLiteral("C2A3-DF6F"));
         }},
    };
    for (const auto &[name, setUp] : scenes) {
        setUp();
        shoot(main, file(name));
    }

    click(main, {"JoystixOn", "NoJoy", "GRIPINFO"});
    QWidget *grip = QApplication::activeModalWidget(); // modal to the main window alone
    shoot(grip, file("grip"));
    shoot(main, file("main-during-grip"));
    control<QAbstractButton>(grip, "Command1")->click();

    // The other windows, each one of its own, shown without waiting for a modal one to close.
    tavik::About about;
    tavik::Help help;
    tavik::Form3 readme;
    tavik::Form5 chooser(windows, QDir::currentPath());
    for (const auto &[window, name] : {std::pair<QWidget *, const char *>{&about, "about"}, {&help, "help"},
                                       {&readme, "readme"}, {&chooser, "chooser"}}) {
        window->show();
        shoot(window, file(name));
        window->hide();
    }
    return 0;
}
