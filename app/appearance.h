// The look every window is drawn for: the classic style, the dialog fonts and
// the program icon.
#pragma once

#include <QFont>

namespace tavik {

// Loads the fonts, sets the "Windows" style, the default font and the icon.
// Call once, after the application object exists.
void setUpAppearance();

// "MS Sans Serif" 8.25 pt, or Liberation Sans when the font is not installed.
QFont dialogFont();
// "Fixedsys" 9 pt, or Liberation Mono when the font is not installed.
QFont fixedFont();

} // namespace tavik
