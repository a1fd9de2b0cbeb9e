// Which window owns a dialog, for the window set and the desktop's message
// boxes alike.
#pragma once

class QWidget;

namespace tavik {

// Makes `window` a dialog of `owner`: the window manager keeps it above its
// owner, stacks, minimises and focuses the two together, and Qt centres it
// over the owner. `window` stays a top-level widget with no Qt parent, so it
// keeps its one owner in the program's window set. No-op without an owner.
void makeTransientFor(QWidget *window, QWidget *owner);

} // namespace tavik
