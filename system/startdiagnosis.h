// Why an emulator did not get going, in the user's words: a start the system
// refused, or an end as soon as it started, with the last lines it wrote.
#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

namespace tavik {

class LastWords;

// Every start, every end and how it was watched (at info), early ends (at
// warning): category "tavik.start".
Q_DECLARE_LOGGING_CATEGORY(startLog)

// Why the process start of `program` failed with `error`, in plain words.
QString spawnProblem(const QString &program, int error);

// How a collected process ended, from its wait status: "ended with exit code
// 1", "was ended by the signal SIGSEGV (Segmentation fault)".
QString howItEnded(int status);

// A text from outside as a message shows it: control characters (such as the
// carriage return of a script saved with Windows line ends), format
// characters (those that reorder text from right to left among them) and
// line separators spelt out ("\r", "\x1b", "\u202e"), so that the text can
// neither hide itself nor change how the rest of the message reads.
QString visible(QStringView text);

// The last lines an emulator wrote, as a report quotes them: at most the last
// `reportedLines` that are not blank, each made visible, a line longer than
// `reportedLineLength` cut to its end with "..." where it was cut (so is a
// line whose start was not kept), and each wrapped every `wrapWidth`
// characters, so that no line of the report is wider than a message box.
inline constexpr int reportedLines = 6;
inline constexpr int reportedLineLength = 300;
inline constexpr int wrapWidth = 100;
QStringList quotedLastLines(const LastWords &words);

// The report of `emulator`, which ended with wait status `status` as soon as
// it started, quoting `words`.
QString earlyEndMessage(const QString &emulator, int status, const LastWords &words);

} // namespace tavik
