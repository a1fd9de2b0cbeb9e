// What a message box shows: its text as plain text, never as markup (a file's
// name is shown as it is named), shortened where the box would not fit the
// screen it is on, with the whole text kept in the box's details.
#pragma once

#include <QString>

class QFont;
class QMessageBox;
class QWidget;

namespace tavik {

// Shortens `text` so that, wrapped at `width` pixels in `font`, it takes at
// most `rows` lines, and no part of it that cannot be wrapped (a long name
// without blanks or slashes) is wider than `widest`. A part too long is cut in
// its middle, where U+2026 "…" marks the cut, so that its start and its end
// stay: first each part too wide, then the line that takes the most rows;
// when every line takes one row and they are still too many, the middle lines
// give way to one "…" line. A text that fits comes back as it is.
QString fittedText(const QString &text, const QFont &font, int width, int widest, int rows);

// Makes `box` show its text as plain text, and, when it is shown, fits that
// text to the screen it is on (see fittedText()), frame and buttons
// included, also with its details open; a text that is cut is given whole in
// the details. `owner` is the window it is shown over, whose frame tells how
// much the window manager adds.
void fitToScreen(QMessageBox &box, QWidget *owner);

} // namespace tavik
