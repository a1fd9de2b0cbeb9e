// A window's controls as the tests reach them: by the object name the layout
// gives each one, the way a user's script or a screen reader finds them. The
// windows publish none of their controls.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QWidget>
#include <QtGlobal>

#include <type_traits>

namespace tavik::testing {

// The control of `window` named `name`, or null when the window has none of
// that name and kind, or more than one. Controls of another window that
// `window` is the parent of (a dialog it owns) do not count.
// For use in a check: QVERIFY(findControl<QCheckBox>(form, u"CheatOn"_s)).
template <typename T = QWidget>
T *findControl(const QWidget *window, const QString &name)
{
    static_assert(std::is_base_of_v<QWidget, T>, "a control is a widget");
    T *found = nullptr;
    for (T *candidate : window->findChildren<T *>(name)) {
        if (candidate->window() != window)
            continue;
        if (found)
            return nullptr;
        found = candidate;
    }
    return found;
}

// The control of `window` named `name`, never null: a missing or doubled
// control is a fault of the test or the layout, and ends the test here with
// a message that names the control, its kind and the window, instead of a
// crash on a null pointer further on.
template <typename T = QWidget>
T *control(const QWidget *window, const QString &name)
{
    if (!window)
        qFatal("control %s looked up in no window", qPrintable(name));
    if (T *found = findControl<T>(window, name))
        return found;
    qFatal("window %s (%s) has no single %s named %s", qPrintable(window->objectName()),
           window->metaObject()->className(), T::staticMetaObject.className(), qPrintable(name));
    return nullptr;
}

// The program's window of class `Window` while one is loaded (a window the
// program let go is gone once deferred deletions have run), or null.
template <typename Window>
Window *loadedWindow()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<Window *>(window))
            return found;
    }
    return nullptr;
}

} // namespace tavik::testing
