// The program's command line, `tavik [FILE]`: read twice, once before any
// display is opened, so that --help and --version answer without one, and
// once after Qt has taken its own options (-platform, -style, ...) out.
#pragma once

#include <QString>
#include <QStringList>

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

} // namespace tavik
