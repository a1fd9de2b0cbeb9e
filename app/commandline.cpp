#include "app/commandline.h"

#include "system/filenames.h"

#include <QCommandLineParser>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <span>

namespace tavik {
namespace {

// How one of Qt's options takes a value: the next argument, whatever it is.
enum class Value {
    None,   // a switch: -reverse
    Needed, // with a value, and left alone without one: -style fusion
    Taken,  // with a value, and taken alone when none follows: -platform xcb
};

struct QtOption {
    const char *name; // without its dash; Qt also takes it with two
    Value value;
    bool xOnly = false;  // Qt's only while the platform so far is xcb
    bool joined = false; // also as one argument, name=value
};

// Qt's passes over the arguments, in the order its application object makes
// them; each goes over what the ones before it left, so that `-session
// -style X` is a session named "-style" and X is left over.
// The platform's choice, made before the platform is loaded.
constexpr QtOption platformOptions[] = {
    {"platformpluginpath", Value::Taken}, {"platform", Value::Taken}, {"platformtheme", Value::Taken},
    {"qwindowgeometry", Value::Taken},    {"geometry", Value::Taken, true},
    {"qwindowtitle", Value::Taken},       {"title", Value::Taken, true},
    {"qwindowicon", Value::Taken},        {"icon", Value::Taken, true},
};
// The X platform's own, taken only when it is the one loaded.
constexpr QtOption xOptions[] = {
    {"display", Value::Needed}, {"name", Value::Needed}, {"visual", Value::Needed},
    {"nograb", Value::None},    {"dograb", Value::None},
};
constexpr QtOption debuggerOptions[] = {{"qmljsdebugger", Value::Needed, false, true}};
constexpr QtOption guiOptions[] = {
    {"plugin", Value::Taken}, {"reverse", Value::None}, {"session", Value::Needed}, {"testability", Value::None},
};
constexpr QtOption widgetOptions[] = {
    {"style", Value::Needed, false, true}, {"stylesheet", Value::Needed, false, true},
    {"widgetcount", Value::None},          {"qdevel", Value::None},
    {"qdebug", Value::None},
};

bool isX(QByteArrayView platform) { return platform.startsWith("xcb"); }

// One pass: what it leaves of `arguments`. `platform`, when given, is the
// platform chosen so far, and follows each -platform taken; `style` follows
// each -style.
QStringList takeOut(const QStringList &arguments, std::span<const QtOption> options, QByteArray *platform,
                    QString *style)
{
    QStringList left = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!argument.startsWith(u'-')) {
            left.append(argument);
            continue;
        }
        const QStringView name = QStringView(argument).mid(argument.startsWith(u"--") ? 2 : 1);
        const QtOption *found = nullptr;
        bool joined = false;
        for (const QtOption &option : options) {
            const QLatin1StringView optionName(option.name);
            if (option.xOnly && !(platform && isX(*platform)))
                continue;
            joined = option.joined && name.startsWith(optionName) && name.mid(optionName.size()).startsWith(u'=');
            if (name == optionName || joined) {
                found = &option;
                break;
            }
        }
        const bool valueFollows = i + 1 < arguments.size();
        if (!found || (!joined && found->value == Value::Needed && !valueFollows)) {
            left.append(argument);
            continue;
        }
        QString value;
        if (joined)
            value = name.mid(name.indexOf(u'=') + 1).toString();
        else if (found->value != Value::None && valueFollows)
            value = arguments.at(++i);
        if (platform && std::strcmp(found->name, "platform") == 0 && !value.isNull())
            *platform = fileNameToBytes(value);
        if (style && std::strcmp(found->name, "style") == 0)
            *style = value;
    }
    return left;
}

} // namespace

QStringList argumentsOf(int argc, char *const argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments += fileNameFromBytes(argv[i]);
    return arguments;
}

QStringList withoutQtOptions(const QStringList &arguments, QByteArrayView platform, QString *style)
{
    // Qt's own default, where the environment names none.
    QByteArray chosen = platform.isEmpty() ? QByteArray("xcb") : platform.toByteArray();
    QStringList left = takeOut(arguments, platformOptions, &chosen, nullptr);
    if (isX(chosen))
        left = takeOut(left, xOptions, nullptr, nullptr);
    left = takeOut(left, debuggerOptions, nullptr, nullptr);
    left = takeOut(left, guiOptions, nullptr, nullptr);
    return takeOut(left, widgetOptions, nullptr, style);
}

int writeAnswer(const CommandLine &line, std::FILE *output, std::FILE *errors)
{
    const bool answered = line.action == CommandLine::Action::Answer;
    std::FILE *stream = answered ? output : errors;
    // An option is named in a failure by the bytes it was given as.
    const QByteArray text = fileNameToBytes(line.text);
    errno = 0;
    const bool written = std::fwrite(text.constData(), 1, std::size_t(text.size()), stream) == std::size_t(text.size())
                         && std::fflush(stream) == 0;
    if (!written && answered) {
        const int error = errno;
        std::fprintf(errors, "tavik: the answer could not be written: %s\n",
                     error ? std::strerror(error) : "write error");
        std::fflush(errors);
    }
    return answered && written ? EXIT_SUCCESS : EXIT_FAILURE;
}

CommandLine readCommandLine(const QStringList &arguments)
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
        // Static: Qt keeps pointers into the argument vector for the program's life.
        static char option[] = "-platform";
        // Qt tries each in turn: Xwayland first, native Wayland when X does not answer.
        static char platforms[] = "xcb;wayland";
        arguments.insert(arguments.begin() + (argc > 0 ? 1 : 0), {option, platforms});
    }
    arguments.push_back(nullptr);
    return arguments;
}

} // namespace tavik
