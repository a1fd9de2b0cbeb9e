#include "system/startdiagnosis.h"

#include "system/errorcapture.h"
#include "system/filenames.h"
#include "system/startplan.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavik {

Q_LOGGING_CATEGORY(startLog, "tavik.start", QtWarningMsg)

namespace {

// The interpreter a script names on its first line ("#!"), or nothing when
// `program` is no script.
std::optional<QByteArray> scriptInterpreter(const QString &program)
{
    const int file = ::open(fileNameToBytes(program).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0)
        return std::nullopt;
    QByteArray head(256, Qt::Uninitialized);
    const ssize_t got = ::read(file, head.data(), std::size_t(head.size()));
    ::close(file);
    head.truncate(got > 0 ? qsizetype(got) : 0);
    if (!head.startsWith("#!"))
        return std::nullopt;
    QByteArray line = head.mid(2, head.indexOf('\n') < 0 ? -1 : head.indexOf('\n') - 2);
    // The system takes the interpreter up to the first blank or tab.
    qsizetype begin = 0;
    while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t'))
        ++begin;
    qsizetype end = begin;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t')
        ++end;
    return line.mid(begin, end - begin);
}

bool spelledOut(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

} // namespace

QString visible(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (const uint codePoint : text.toUcs4()) {
        const char32_t c = codePoint;
        if (c == U'\r')
            shown += QStringLiteral("\\r");
        else if (c == U'\t')
            shown += QStringLiteral("\\t");
        else if (c < 0x80 && spelledOut(c))
            shown += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
        else if (spelledOut(c))
            shown += QStringLiteral("\\u%1").arg(uint(c), c > 0xffff ? 6 : 4, 16, QLatin1Char('0'));
        else
            shown += QString::fromUcs4(&c, 1);
    }
    return shown;
}

QString spawnProblem(const QString &program, int error)
{
    const QString path = displayedPath(program);
    if (error == EILSEQ) {
        return QStringLiteral("%1 was not started: a name in its command cannot be passed on as it is.")
            .arg(fileNameForDisplay(path));
    }
    if (error == EMFILE || error == ENFILE) {
        return QStringLiteral("%1 could not be started: too many files are open (%2). Closing an emulator "
                              "that is still running may help.")
            .arg(path, qt_error_string(error));
    }
    if (error == ENOENT || error == EACCES || error == ENOEXEC) {
        if (const std::optional<QByteArray> interpreter = scriptInterpreter(program)) {
            if (interpreter->isEmpty())
                return QStringLiteral("%1 could not be started: its first line names no interpreter.").arg(path);
            return QStringLiteral("%1 could not be started: the interpreter its first line names, %2, %3.")
                .arg(path, visible(QString::fromLocal8Bit(*interpreter)),
                     error == ENOENT ? QStringLiteral("does not exist")
                                     : QStringLiteral("cannot be run (%1)").arg(qt_error_string(error)));
        }
        if (error == ENOENT && ::access(fileNameToBytes(program).constData(), F_OK) == 0) {
            return QStringLiteral("%1 could not be started: a file it needs in order to run, such as its loader, "
                                  "is missing (%2).")
                .arg(path, qt_error_string(error));
        }
    }
    return QStringLiteral("The system refused to start %1: %2").arg(path, qt_error_string(error));
}

QString howItEnded(int status)
{
    if (WIFSIGNALED(status)) {
        const int number = WTERMSIG(status);
        const char *name = ::sigabbrev_np(number);
        return QStringLiteral("was ended by the signal %1 (%2)")
            .arg(name ? QStringLiteral("SIG") + QString::fromLatin1(name) : QString::number(number),
                 QString::fromLocal8Bit(::strsignal(number)));
    }
    return QStringLiteral("ended with exit code %1").arg(WEXITSTATUS(status));
}

QStringList quotedLastLines(const LastWords &words)
{
    const QList<QByteArray> pieces = words.tail().split('\n');
    const QLatin1String cutMark("...");
    QList<QStringList> quoted; // each line's wrapped pieces, the last line first
    for (qsizetype i = pieces.size() - 1; i >= 0 && quoted.size() < reportedLines; --i) {
        QString line = visible(QString::fromLocal8Bit(pieces[i]).trimmed());
        if (line.isEmpty())
            continue;
        // A line whose start was not kept is cut where the kept bytes begin.
        if (line.size() > reportedLineLength || (i == 0 && words.cutBefore()))
            line = cutMark + line.right(reportedLineLength);
        QStringList wrapped;
        for (qsizetype at = 0; at < line.size(); at += wrapWidth)
            wrapped.append(line.mid(at, wrapWidth));
        quoted.append(wrapped);
    }
    QStringList lines;
    for (auto it = quoted.crbegin(); it != quoted.crend(); ++it)
        lines += *it;
    return lines;
}

QString earlyEndMessage(const QString &emulator, int status, const LastWords &words)
{
    QString message = QStringLiteral("The emulator %1 %2 as soon as it started.")
                          .arg(displayedPath(emulator), howItEnded(status));
    const QStringList lines = quotedLastLines(words);
    if (!lines.isEmpty())
        message += QStringLiteral("\n\nIt last wrote:\n") + lines.join(QLatin1Char('\n'));
    return message;
}

} // namespace tavik
