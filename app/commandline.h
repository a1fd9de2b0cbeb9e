// The program's command line, `tavik [FILE]`: read before any display is
// opened, with the options Qt's application object will take (-platform,
// -style, -reverse, ...) set aside as it will take them, so that every answer
// the command line can give (--help, --version, an unknown option, too many
// files) needs no display; and the Qt platform it asks for, where the user
// chose none.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdio>
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

// The program's name and its arguments, each as fileNameFromBytes() gives it.
QStringList argumentsOf(int argc, char *const argv[]);

// Reads `arguments` (the program's name first) as the program's own, once
// Qt's options are out of them.
CommandLine readCommandLine(const QStringList &arguments);

// `arguments` without the options Qt's application object takes out of them,
// taken out as it takes them: in its passes and their order, each option with
// its value. `platform` is the platform the environment asks for
// (QT_QPA_PLATFORM); the X server's own options (-display, -geometry, ...)
// are Qt's only on its xcb platform, the default. `style`, when given, is set
// to the style Qt is asked for (-style), the last one where there are more.
QStringList withoutQtOptions(const QStringList &arguments, QByteArrayView platform, QString *style = nullptr);

// Writes an answer to `output` or a failure to `errors`, and returns the exit
// status: 0 for an answer, 1 for a failure or for an answer that could not be
// written (a full disk, a closed stream), which is then told on `errors`.
int writeAnswer(const CommandLine &line, std::FILE *output, std::FILE *errors);

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
