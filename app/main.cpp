// Program start: the application, its look, the window set, and the splash,
// which hands over to the main window; then only the event loop runs.
#include "appearance/accessibility.h"
#include "appearance/appearance.h"
#include "app/commandline.h"
#include "app/programwindows.h"
#include "infowindows/frmsplash.h"
#include "platform/desktopplatform.h"
#include "system/spawn.h"

#include <QApplication>

#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    // A stable name for the desktop (the X window class the menu entry
    // matches); message boxes carry the title "Tavik 2.5" themselves. No
    // display name is set: Qt would append it to every window title.
    QCoreApplication::setApplicationName(QStringLiteral("tavik"));
    // On a Wayland session the windows go through Xwayland, where they can be
    // placed as laid out; a platform the user chose wins.
    std::vector<char *> arguments =
        tavik::withPreferredPlatform(argc, argv, [](const char *name) { return qgetenv(name); });
    int argumentCount = static_cast<int>(arguments.size()) - 1;
    // The whole command line is read before any display is opened, with Qt's
    // own options set aside: no answer it gives needs one.
    QString style;
    if (const tavik::CommandLine early = tavik::readCommandLine(tavik::withoutQtOptions(
            tavik::argumentsOf(argumentCount, arguments.data()), qgetenv("QT_QPA_PLATFORM"), &style));
        early.action != tavik::CommandLine::Action::Run)
        return tavik::writeAnswer(early, stdout, stderr);
    // Started with a standard descriptor closed (`tavik 2>&-`), the launcher
    // would give that slot to the first file it opens (the display's
    // connection), and its log lines would land in it.
    tavik::fillStandardDescriptors();

    QApplication app(argumentCount, arguments.data());
    // Read again from what Qt has left, which has the last word on its options.
    const tavik::CommandLine line = tavik::readCommandLine(tavik::argumentsOf(argumentCount, arguments.data()));
    if (line.action != tavik::CommandLine::Action::Run)
        return tavik::writeAnswer(line, stdout, stderr);
    QGuiApplication::setDesktopFileName(QStringLiteral("net.tavik.Tavik"));
    // The main window's unload ends the program, whatever else is still open.
    QApplication::setQuitOnLastWindowClosed(false);
    // The icon follows once the splash is on the screen.
    tavik::setUpStyleAndFaces(style);
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
