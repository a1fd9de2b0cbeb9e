// What screen readers are told about the controls whose class Qt describes
// wrongly to them. Nothing here changes a widget, what it draws or where the
// focus goes; only the accessible interface Qt hands out for it:
// - a plain QFrame (an option panel) is a grouping named by its accessible
//   name, where Qt says "border", which AT-SPI turns into a top-level "frame"
//   that screen readers treat as an inactive window and keep silent inside;
// - a PictureBox named for screen readers that takes the focus (the
//   clickable logo) is a push button whose press action does what a click
//   does, and any other an image, where Qt says "border" with no action;
// - a window that is a plain QWidget is a window, where Qt says "client"
//   ("filler" to AT-SPI);
// - a QLineEdit is described as Qt describes it, less the faults of Qt's
//   that screen readers meet (its text read one character short, the program
//   stopped by a question about the word at the end of the text, a read-only
//   field offered for editing);
// And the keyboard focus in an editable combo box is reported on its typing
// field, inside the box, as GTK reports it, not on the box.
#pragma once

namespace tavik {

// Installs the interfaces above for every widget asked about afterwards.
// Call once, after the application object exists and before any window is
// shown. Calling it again does nothing.
void installAccessibleInterfaces();

} // namespace tavik
