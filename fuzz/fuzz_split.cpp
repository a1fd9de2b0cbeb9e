// The Windows argument splitter. An argument vector quoted by the Microsoft C
// runtime's rules and joined with blanks must split back into the same vector;
// raw text of any kind must split without a crash, into arguments that quote
// and split back the same way.
#include "fuzzsupport.h"

#include "system/argumentsplitter.h"

#include <QStringList>

using namespace tavik;
using namespace tavik::fuzz;

namespace {

// Quotes one argument so that the runtime's parser gives it back unchanged:
// quotes only where needed; inside quotes, backslashes are doubled where a
// quote follows them (a quote of the text's own, or the closing one).
QString quoteArgument(const QString &argument)
{
    const bool plain = !argument.isEmpty()
                       && !argument.contains(QLatin1Char(' ')) && !argument.contains(QLatin1Char('\t'))
                       && !argument.contains(QLatin1Char('\n')) && !argument.contains(QLatin1Char('\v'))
                       && !argument.contains(QLatin1Char('"'));
    if (plain)
        return argument;
    QString quoted(QLatin1Char('"'));
    for (qsizetype i = 0;; ++i) {
        qsizetype backslashes = 0;
        while (i < argument.size() && argument[i] == QLatin1Char('\\')) {
            ++backslashes;
            ++i;
        }
        if (i == argument.size()) {
            quoted += QString(backslashes * 2, QLatin1Char('\\'));
            break;
        }
        if (argument[i] == QLatin1Char('"'))
            quoted += QString(backslashes * 2 + 1, QLatin1Char('\\')) + QLatin1Char('"');
        else
            quoted += QString(backslashes, QLatin1Char('\\')) + argument[i];
    }
    return quoted + QLatin1Char('"');
}

QString quoteAll(const QStringList &arguments)
{
    QStringList quoted;
    for (const QString &argument : arguments)
        quoted.append(quoteArgument(argument));
    return quoted.join(QLatin1Char(' '));
}

void checkRoundTrip(const QStringList &arguments)
{
    const QString text = quoteAll(arguments);
    const QStringList split = splitWindowsArguments(text);
    check(split == arguments, "quoted arguments split back unchanged",
          text + QStringLiteral("\nsplit into ") + QString::number(split.size()) + QStringLiteral(" arguments:\n")
              + split.join(QLatin1Char('\n')));
}

constexpr std::u16string_view argumentAlphabet = u"ab \t\"\\\\\"\n\v-=\u00e9\u20ac";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    if (data.ConsumeBool()) {
        // Raw text, as a user might type any switch text.
        const std::string raw = data.ConsumeRemainingBytesAsString();
        const QString text = QString::fromUtf8(raw.data(), qsizetype(raw.size()));
        const QStringList arguments = splitWindowsArguments(text);
        qsizetype characters = 0;
        for (const QString &argument : arguments)
            characters += argument.size();
        check(characters <= text.size(), "splitting adds no characters", text);
        checkRoundTrip(arguments);
        return 0;
    }
    QStringList arguments;
    const int count = data.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < count && data.remaining_bytes() > 0; ++i)
        arguments.append(consumeText(data, argumentAlphabet, 40));
    checkRoundTrip(arguments);
    return 0;
}
