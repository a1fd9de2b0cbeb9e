// The look every window is drawn for: the classic style, the dialog and
// readme faces, the white-on-black option panels and the program icon.
#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace tavik {

// The look, set up in two parts, after the application object exists: the
// style and the faces, which the splash draws with, at the program's start;
// then the icon (its files are read and decoded at once), once the frameless
// splash, which does not show it, is on the screen. Each part does its work
// afresh at every call; the caller decides when. `chosenStyle` is the style
// the user asked Qt for on the command line (-style): when Qt has it, it is
// kept in place of the classic one.
void setUpStyleAndFaces(const QString &chosenStyle = {});
void setUpWindowIcon();

// The dialog face at 8.25 pt: Tahoma, which scales and is emboldened for bold,
// set slightly tighter so that its widths match the classic "MS Sans Serif"
// the layout was drawn for; Liberation Sans when Tahoma is missing.
QFont dialogFont();
// The readme's face at 9 pt: a scalable monospace (Liberation Mono) in place
// of the bitmap "Fixedsys"; 58 of its columns fit the readme box.
QFont fixedFont();

// Captions inside an option panel: white on black, mid grey when disabled.
// Only the caption colours change; a box's tick and a button's dot keep the
// indicator's own black on white, so they stay visible.
void paintWhiteOnBlack(QWidget *panel);
// A text or combo field with white text on a black field. The field's sunken
// edge keeps its light and dark lines, so it still reads as a field.
void paintFieldWhiteOnBlack(QWidget *field);
// A window or frame with a plain black background.
void paintBlackBackground(QWidget *widget);

// Moves a window to the middle of the primary screen's free area.
void centreOnScreen(QWidget *window);

} // namespace tavik
