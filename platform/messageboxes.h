// The desktop's message boxes: Qt message boxes with the program's title,
// each owned by a window of the program.
#pragma once

#include <QString>

#include <functional>
#include <vector>

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
    // The same, over the window that is blocking input now (a modal window
    // or another box), or else over the owner.
    void showNoticeOverWhatIsUp(const QString &message);
    // Yes and No with the question icon, Yes the default; true for Yes.
    bool askYesNo(const QString &question);

private:
    int execOver(class QMessageBox &box, QWidget *owner);

    std::function<QWidget *()> m_owner;
    // A few descriptors held in reserve, let go while a message box shows,
    // so that its text can still be drawn (its face read) when the launcher
    // has run out of them.
    std::vector<int> m_reserve;
};

} // namespace tavik
