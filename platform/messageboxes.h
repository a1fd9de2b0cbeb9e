// The desktop's message boxes: Qt message boxes with the program's title,
// each owned by a window of the program.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QMessageBox;
class QWidget;

namespace tavik {

class MessageBoxes {
public:
    MessageBoxes();
    ~MessageBoxes();
    MessageBoxes(const MessageBoxes &) = delete;
    MessageBoxes &operator=(const MessageBoxes &) = delete;

    // The window every message box belongs to (the main window once it is
    // loaded); a box with no owner stands alone.
    void setOwner(std::function<QWidget *()> owner) { m_owner = std::move(owner); }

    // An OK-only box with no icon; returns once it is closed.
    void showNotice(const QString &message);
    // The report of an emulator that ended at once: an OK-only box over the
    // window that is blocking input now (a modal window or another box), or
    // else over the owner. While that box is up, a later report is gathered
    // into it (counted below the first, every report in its details) and
    // this returns at once.
    void showEarlyEnd(const QString &report);
    // Yes and No with the question icon, Yes the default; true for Yes.
    bool askYesNo(const QString &question);

private:
    int execOver(class QMessageBox &box, QWidget *owner);

    std::function<QWidget *()> m_owner;
    // The early-end box that is up, and the reports gathered into it.
    QPointer<QMessageBox> m_earlyEndBox;
    QStringList m_earlyEnds;
    // A few descriptors held in reserve, let go while a message box shows,
    // so that its text can still be drawn (its face read) when the launcher
    // has run out of them.
    std::vector<int> m_reserve;
};

} // namespace tavik
