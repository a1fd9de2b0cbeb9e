#include "platform/windowowner.h"

#include <QWidget>
#include <QWindow>

namespace tavik {

void makeTransientFor(QWidget *window, QWidget *owner)
{
    if (!window || !owner || window == owner)
        return;
    // Both need their native windows for the one to name the other; a
    // parentless widget's transient parent stays as set here when it shows.
    owner->winId();
    window->winId();
    if (QWindow *handle = window->windowHandle())
        handle->setTransientParent(owner->windowHandle());
}

} // namespace tavik
