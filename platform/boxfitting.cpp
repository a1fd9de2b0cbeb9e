#include "platform/boxfitting.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTextBoundaryFinder>
#include <QTextEdit>
#include <QTextLayout>

#include <algorithm>
#include <numeric>

namespace tavik {
namespace {

const QChar cutMark(u'\u2026');

// Characters of one line that are measured at all: a longer line (a name of
// 100,000 characters) is first cut to this many by count, in its middle.
constexpr qsizetype longestMeasured = 2000;

// The rows of text a box keeps beside its opened details at the least: on a
// screen that leaves fewer, the text takes the room and the opened details
// go past the screen's end.
constexpr int fewestRows = 6;

// `line` cut in its middle to `length` characters and the mark, with no
// surrogate pair split.
QString cutInMiddle(const QString &line, qsizetype length)
{
    qsizetype head = length / 2;
    qsizetype tailFrom = line.size() - (length - head);
    if (head > 0 && line.at(head - 1).isHighSurrogate())
        --head;
    if (tailFrom < line.size() && line.at(tailFrom).isLowSurrogate())
        ++tailFrom;
    return line.left(head) + cutMark + line.mid(tailFrom);
}

// The rows `line` takes wrapped at `width`: at a word's end where it can,
// anywhere where it must.
int rowsOf(const QString &line, const QFont &font, int width)
{
    QTextLayout layout(line, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int rows = 0;
    for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
        row.setLineWidth(width);
        ++rows;
    }
    layout.endLayout();
    return std::max(rows, 1);
}

// `line` with each part it cannot be wrapped within that is wider than
// `widest` cut in its middle to that width.
QString withWidePartsCut(const QString &line, const QFontMetrics &metrics, int widest)
{
    if (metrics.horizontalAdvance(line) <= widest)
        return line;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, line);
    QString result;
    for (qsizetype from = 0; from < line.size();) {
        qsizetype to = breaks.toNextBoundary();
        if (to <= from)
            to = line.size();
        const QString part = line.mid(from, to - from);
        result += metrics.horizontalAdvance(part) > widest ? metrics.elidedText(part, Qt::ElideMiddle, widest) : part;
        from = to;
    }
    return result;
}

// Shortens `text` so that, wrapped at `width` pixels in `font`, it takes at
// most `rows` lines, and no part of it that cannot be wrapped (a long name
// without blanks or slashes) is wider than `widest`. A part too long is cut in
// its middle, where U+2026 "…" marks the cut, so that its start and its end
// stay: first each part too wide; then, where the lines are more than the
// rows, the middle lines give way to one "…" line; then the line that takes
// the most rows is cut. A text that fits comes back as it is.
QString fittedText(const QString &text, const QFont &font, int width, int widest, int rows)
{
    const QFontMetrics metrics(font);
    width = std::max(width, 1);
    widest = std::max(widest, width);
    rows = std::max(rows, 2);
    QStringList lines = text.split(u'\n');
    QList<int> taken;
    for (QString &line : lines) {
        if (line.size() > longestMeasured)
            line = cutInMiddle(line, longestMeasured);
        line = withWidePartsCut(line, metrics, widest);
        taken.append(rowsOf(line, font, width));
    }
    int total = std::accumulate(taken.cbegin(), taken.cend(), 0);
    // The first lines and the last, as many as fit beside the mark's line
    // that stands for the others; with `keepEnds`, the first and the last
    // whatever they take.
    const auto keepEndLines = [&](bool keepEnds) {
        int left = rows - 1;
        qsizetype head = 0, tail = 0;
        for (bool front = true; head + tail < lines.size(); front = !front) {
            const int need = taken[front ? head : lines.size() - 1 - tail];
            if (need > left && !(keepEnds && head + tail < 2))
                break;
            left -= need;
            ++(front ? head : tail);
        }
        if (head + tail == lines.size())
            return;
        lines = lines.first(head) + QStringList{cutMark} + lines.last(tail);
        taken = taken.first(head) + QList<int>{1} + taken.last(tail);
        total = std::accumulate(taken.cbegin(), taken.cend(), 0);
    };
    if (lines.size() > rows)
        keepEndLines(true);
    // The line that takes the most rows gives up what is too many, cut to
    // nine tenths of the width they would take: a row wrapped at a word's end
    // holds less than the width. Each round takes a tenth more, so a line
    // that still takes too many shrinks until it fits.
    for (int round = 0; total > rows && round < 100; ++round) {
        const auto most = std::max_element(taken.begin(), taken.end());
        if (*most <= 1)
            break;
        QString &line = lines[most - taken.begin()];
        const int keep = std::max(1, *most - (total - rows));
        const int target = std::min(keep * width, metrics.horizontalAdvance(line)) * 9 / 10;
        line = metrics.elidedText(line, Qt::ElideMiddle, target);
        total -= *most;
        *most = rowsOf(line, font, width);
        total += *most;
    }
    if (total > rows)
        keepEndLines(false);
    return lines.join(u'\n');
}

// Fits a box's text when it shows: only then are its parts laid out, and
// they can be measured before the box takes its size.
class ScreenFitting : public QObject {
public:
    ScreenFitting(QMessageBox *box, QWidget *owner) : QObject(box), m_box(box), m_owner(owner) {}

    // The box is no longer a QMessageBox while its base classes are being
    // destroyed, when it still has events: only these two are its own.
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !m_done) {
            m_done = true;
            fit(m_box);
        } else if (event->type() == QEvent::Resize && m_box->isVisible()) {
            keepOnScreen(m_box);
        }
        return false;
    }

private:
    void fit(QMessageBox *box) const;
    static void keepOnScreen(QMessageBox *box);

    QMessageBox *const m_box;
    QPointer<QWidget> m_owner;
    bool m_done = false;
};

void ScreenFitting::fit(QMessageBox *box) const
{
    auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    const QScreen *screen = box->screen();
    if (!label || !screen || !box->layout())
        return;
    const QString whole = box->text();
    const QRect available = screen->availableGeometry();
    const QFont font = label->font();
    const QFontMetrics metrics(font);
    // The window manager's frame, as it is around the owner; a title bar's
    // worth where that is not known yet.
    QSize frame(0, 2 * metrics.height());
    if (m_owner && m_owner->isVisible())
        frame = frame.expandedTo(m_owner->frameGeometry().size() - m_owner->size());
    // What the box takes beside its text: margins, icon and buttons, measured
    // around one line of text wider than the buttons (the text itself may be
    // too long to measure quickly).
    box->setText(QString(available.width() / std::max(1, metrics.horizontalAdvance(u'x')) + 1, u'x'));
    const QSize around = box->layout()->totalMinimumSize() - label->minimumSizeHint();
    // The box makes itself min(half the screen, 500) wide, or as wide as its
    // widest part that cannot be wrapped, and wraps its text at what is left.
    const int width = std::max(std::min(available.width() / 2, 500) - around.width(), 8 * metrics.averageCharWidth());
    const int widest = std::max(available.width() - frame.width() - around.width(), width);
    const int rows = (available.height() - frame.height() - around.height()) / metrics.lineSpacing();
    QString shown = fittedText(whole, font, width, widest, rows);
    if (shown != whole) {
        const QString details = box->detailedText();
        box->setDetailedText(details.isEmpty() ? whole : whole + QStringLiteral("\n\n") + details);
        // Opened, the details take their room below the text, where the
        // screen leaves enough for a few lines of text beside them; they open
        // below the buttons, which stay where they are.
        if (const auto *edit = box->findChild<QTextEdit *>()) {
            const int spacing = std::max(box->style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing), 6);
            const int room = std::max(edit->minimumHeight(), edit->sizeHint().height()) + 3 * spacing;
            const int rowsBeside = rows - (room + metrics.lineSpacing() - 1) / metrics.lineSpacing();
            if (rowsBeside >= fewestRows)
                shown = fittedText(whole, font, width, widest, rowsBeside);
        }
    }
    box->setText(shown);
}

// A box placed or grown past the screen's edge (over a main window larger
// than the screen, or with its details opened) is moved back as far as it
// needs, its title bar kept on the screen.
void ScreenFitting::keepOnScreen(QMessageBox *box)
{
    const QScreen *screen = box->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QRect frame = box->frameGeometry();
    const QPoint to(std::max(available.left(), std::min(frame.left(), available.right() - frame.width() + 1)),
                    std::max(available.top(), std::min(frame.top(), available.bottom() - frame.height() + 1)));
    if (to != frame.topLeft())
        box->move(to);
}

} // namespace

void fitToScreen(QMessageBox &box, QWidget *owner)
{
    box.setTextFormat(Qt::PlainText);
    box.installEventFilter(new ScreenFitting(&box, owner));
}

} // namespace tavik
