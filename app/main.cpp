// Program start: the application, its look, the window set, and the splash,
// which hands over to the main window; then only the event loop runs.
#include "appearance/accessibility.h"
#include "appearance/appearance.h"
#include "app/commandline.h"
#include "app/programwindows.h"
#include "infowindows/frmsplash.h"
#include "platform/desktopplatform.h"
#include "system/filenames.h"
#include "system/spawn.h"

#include <QApplication>

#include <cstdio>
#include <vector>

namespace {

QStringList argumentsOf(int argc, char *const argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments += tavik::fileNameFromBytes(argv[i]);
    return arguments;
}

// Answers on standard output, or fails on standard error, and says which.
int answer(const tavik::CommandLine &line)
{
    const bool answered = line.action == tavik::CommandLine::Action::Answer;
    std::fputs(line.text.toLocal8Bit().constData(), answered ? stdout : stderr);
    return answered ? EXIT_SUCCESS : EXIT_FAILURE;
}

} // namespace

int main(int argc, char *argv[])
{
    // A stable name for the desktop (the X window class the menu entry
    // matches); message boxes carry the title "Tavik 2.5" themselves. No
    // display name is set: Qt would append it to every window title.
    QCoreApplication::setApplicationName(QStringLiteral("tavik"));
    // Before any display is opened, which --help and --version do not need.
    if (const tavik::CommandLine early = tavik::readCommandLine(argumentsOf(argc, argv), false);
        early.action != tavik::CommandLine::Action::Run)
        return answer(early);
    // Started with a standard descriptor closed (`tavik >&-`), the launcher
    // would give that slot to the first file it opens, and its log lines or
    // an emulator's output would land in it.
    tavik::fillStandardDescriptors();

    // On a Wayland session the windows go through Xwayland, where they can be
    // placed as laid out; a platform the user chose wins.
    std::vector<char *> arguments =
        tavik::withPreferredPlatform(argc, argv, [](const char *name) { return qgetenv(name); });
    int argumentCount = static_cast<int>(arguments.size()) - 1;
    QApplication app(argumentCount, arguments.data());
    const tavik::CommandLine line = tavik::readCommandLine(argumentsOf(argumentCount, arguments.data()), true);
    if (line.action != tavik::CommandLine::Action::Run)
        return answer(line);
    QGuiApplication::setDesktopFileName(QStringLiteral("net.tavik.Tavik"));
    // The main window's unload ends the program, whatever else is still open.
    QApplication::setQuitOnLastWindowClosed(false);
    // The icon follows once the splash is on the screen.
    tavik::setUpStyleAndFaces();
    // Roles screen readers understand for the panels, the logo, the windows
    // and the text fields, before any window is asked about.
    tavik::installAccessibleInterfaces();

    tavik::DesktopPlatform platform;
    tavik::ProgramWindows windows(platform);
    // Message boxes belong to the main window, as the modal windows do.
    platform.setMessageBoxOwner([&windows] { return windows.dialogOwner(); });
    if (!line.file.isNull())
        windows.openAtStart(line.file);
    windows.frmSplash()->show();
    return QApplication::exec();
}
