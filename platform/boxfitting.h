// What a message box shows: its text as plain text, never as markup (a file's
// name is shown as it is named), shortened where the box would not fit the
// screen it is on, with the whole text kept in the box's details.
#pragma once

class QMessageBox;
class QWidget;

namespace tavik {

// Makes `box` show its text as plain text, and, when it is shown, fits that
// text to the screen it is on, frame and buttons included, also with its
// details open where the screen leaves room for a few lines beside them: a
// part too long is cut in its middle, its start and its end kept, and the
// whole text is given in the details. `owner` is the window it is shown
// over, whose frame tells how much the window manager adds.
void fitToScreen(QMessageBox &box, QWidget *owner);

} // namespace tavik
