#include "app/commandline.h"

#include <QCommandLineParser>

#include <cstring>

namespace tavik {

CommandLine readCommandLine(const QStringList &arguments, bool qtOptionsRemoved)
{
    QCommandLineParser parser;
    // "-platformtheme" is one option of Qt's, not -p -l -a ... -h.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Sets the options of the SNES9x emulator, snes9x.exe, and starts it with a ROM."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("The ROM to start with, as if picked with \"Load ROM\": a path (absolute, or relative "
                       "to the working folder) or a file: URL. A folder opens the ROM chooser there."),
        QStringLiteral("[FILE]"));

    const bool parsed = parser.parse(arguments);
    CommandLine line;
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        line.action = CommandLine::Action::Answer;
        // Qt names the program after its instance, which there is none of yet.
        line.text = parser.helpText();
        line.text.replace(0, line.text.indexOf(u'\n'), QStringLiteral("Usage: tavik [options] [FILE]"));
        return line;
    }
    if (parser.isSet(version)) {
        line.action = CommandLine::Action::Answer;
        line.text = QStringLiteral("tavik %1\n").arg(QStringLiteral(TAVIK_VERSION));
        return line;
    }
    if (!qtOptionsRemoved)
        return line;
    const QStringList files = parser.positionalArguments();
    if (!parsed || files.size() > 1) {
        line.action = CommandLine::Action::Fail;
        line.text = QStringLiteral("tavik: %1\nTry 'tavik --help' for more information.\n")
                        .arg(parsed ? QStringLiteral("one file at most, not %1").arg(files.size())
                                    : parser.errorText());
        return line;
    }
    line.file = files.value(0);
    return line;
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
