// The program's command line, `tavik [FILE]`: read twice, once before any
// display is opened, so that --help and --version answer without one, and
// once after Qt has taken its own options (-platform, -style, ...) out; and
// the Qt platform it asks for, where the user chose none.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tavik {

struct CommandLine {
    enum class Action { Run, Answer, Fail };
    Action action = Action::Run;
    // Run: the file given (a path or a file: URL), null when none was.
    QString file;
    // Answer: the text for standard output; Fail: the one for standard error.
    QString text;
};

// `arguments` are the program's name and its arguments, each as
// fileNameFromBytes() gives it. Before Qt has taken its options out
// (`qtOptionsRemoved` false) only --help and --version are answered, and
// anything else runs.
CommandLine readCommandLine(const QStringList &arguments, bool qtOptionsRemoved);

// The window layout is absolute and every first position is part of it, which
// a native Wayland client cannot ask for. On a Wayland session (WAYLAND_DISPLAY
// set) that also offers X (DISPLAY set), the program runs through Xwayland:
// the returned arguments ask Qt for its xcb platform, with native Wayland as
// the fallback. A platform the user chose (QT_QPA_PLATFORM, or -platform on
// the command line) is left alone. `environment` looks a variable up; the
// result is `arguments` with the platform choice added after the program name.
std::vector<char *> withPreferredPlatform(int argc, char *argv[],
                                          const std::function<QByteArray(const char *)> &environment);

} // namespace tavik
