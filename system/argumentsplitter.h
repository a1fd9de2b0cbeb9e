// Turns Windows argument text into an argument vector, so the emulator receives
// on Linux exactly the arguments it would receive on Windows, without a shell.
#pragma once

#include <QString>
#include <QStringList>

namespace tavik {

// Splits argument text by the Microsoft C runtime rules: blanks and tabs
// separate arguments; double quotes group; 2n backslashes before a quote give n
// backslashes and a delimiter, 2n+1 give n and a literal quote; other
// backslashes are literal; inside quotes, "" gives a literal quote and closes
// the quoted part.
QStringList splitWindowsArguments(QStringView text);

} // namespace tavik
