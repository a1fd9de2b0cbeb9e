#include "system/argumentsplitter.h"

namespace tavik {

QStringList splitWindowsArguments(QStringView text)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    const qsizetype length = text.size();

    for (qsizetype i = 0; i < length;) {
        const QChar c = text[i];
        if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (inArgument) {
                arguments.append(current);
                current.clear();
                inArgument = false;
            }
            ++i;
            continue;
        }
        inArgument = true;
        if (c == QLatin1Char('\\')) {
            qsizetype backslashes = 0;
            while (i < length && text[i] == QLatin1Char('\\')) {
                ++backslashes;
                ++i;
            }
            if (i < length && text[i] == QLatin1Char('"')) {
                current.append(QString(backslashes / 2, QLatin1Char('\\')));
                if (backslashes % 2 == 1) {
                    current.append(QLatin1Char('"'));
                    ++i;
                }
                // An even count leaves the quote to act as a delimiter.
            } else {
                current.append(QString(backslashes, QLatin1Char('\\')));
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            if (quoted && i + 1 < length && text[i + 1] == QLatin1Char('"')) {
                current.append(QLatin1Char('"'));
                quoted = false;
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        current.append(c);
        ++i;
    }
    if (inArgument)
        arguments.append(current);
    return arguments;
}

} // namespace tavik
