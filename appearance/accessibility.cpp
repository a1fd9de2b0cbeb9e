#include "appearance/accessibility.h"

#include "appearance/picturebox.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>

#include <optional>

namespace tavik {
namespace {

// A picture. One with a name for screen readers and a place in the Tab chain
// (the main window's logo) is there to be clicked: a push button, whose press
// screen readers offer to the user (Orca's activate key, a braille display's
// routing key) and which does what a click does, after the caller has had its
// answer, as a button's press does. The others (About's, and the splash's,
// which takes the focus only to see the keys) are images with nothing to press.
class PictureBoxAccessible : public QAccessibleWidget {
public:
    explicit PictureBoxAccessible(PictureBox *box) : QAccessibleWidget(box, QAccessible::Graphic) {}

    QAccessible::Role role() const override { return pressable() ? QAccessible::Button : QAccessible::Graphic; }

    QStringList actionNames() const override
    {
        if (!pressable())
            return QAccessibleWidget::actionNames();
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName != pressAction() || !pressable()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        if (widget()->isEnabled())
            QMetaObject::invokeMethod(static_cast<PictureBox *>(widget()), &PictureBox::clicked, Qt::QueuedConnection);
    }

private:
    bool pressable() const
    {
        return (widget()->focusPolicy() & Qt::TabFocus) != 0 && !widget()->accessibleName().isEmpty();
    }
};

// A single-line text field, as Qt describes it, but with its text attributes
// reported as one run over the whole text: an empty run at each offset reads
// to Orca as a line one character short.
class LineEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit LineEditAccessible(QLineEdit *edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface && !edit()->isReadOnly())
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        QString value;
        if (t == QAccessible::Value) {
            if (edit()->echoMode() == QLineEdit::Normal)
                value = edit()->text();
            else if (edit()->echoMode() != QLineEdit::NoEcho)
                value = QString(edit()->text().size(), QLatin1Char('*'));
        }
        if (value.isEmpty())
            value = QAccessibleWidget::text(t);
        if (value.isEmpty() && t == QAccessible::Description)
            value = edit()->placeholderText();
        return value;
    }

    void setText(QAccessible::Text t, const QString &text) override
    {
        if (t != QAccessible::Value) {
            QAccessibleWidget::setText(t, text);
            return;
        }
        if (!edit()->isReadOnly())
            edit()->setText(text);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (edit()->isReadOnly())
            state.readOnly = true;
        else
            state.editable = true;
        if (edit()->echoMode() != QLineEdit::Normal)
            state.passwordEdit = true;
        state.selectableText = true;
        return state;
    }

    // QAccessibleTextInterface
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }

    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        // No attributes anywhere: one run from the first character to past the last.
        Q_UNUSED(offset);
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

    int cursorPosition() const override { return edit()->cursorPosition(); }

    QRect characterRect(int offset) const override
    {
        const QString shown = edit()->displayText();
        if (offset < 0 || offset >= shown.size())
            return QRect();
        // Measured from the caret, whose place Qt reports, so the text's
        // scrolling and margins are accounted for.
        const QFontMetrics metrics(edit()->font());
        const QRect caret = edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int caretAt = edit()->cursorPosition();
        const int x = caret.x() + metrics.horizontalAdvance(shown.left(offset))
                      - metrics.horizontalAdvance(shown.left(caretAt));
        QRect rect(x, caret.y(), metrics.horizontalAdvance(shown.at(offset)), caret.height());
        rect.moveTo(edit()->mapToGlobal(rect.topLeft()));
        return rect;
    }

    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }

    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = edit()->mapFromGlobal(point);
        if (!edit()->rect().contains(local))
            return -1;
        return edit()->cursorPositionAt(local);
    }

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !edit()->hasSelectedText())
            return;
        *startOffset = edit()->selectionStart();
        *endOffset = *startOffset + int(edit()->selectedText().size());
    }

    QString text(int startOffset, int endOffset) const override
    {
        if (startOffset > endOffset || edit()->echoMode() != QLineEdit::Normal)
            return QString();
        return edit()->text().mid(startOffset, endOffset - startOffset);
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                             int *endOffset) const override
    {
        if (edit()->echoMode() != QLineEdit::Normal) {
            *startOffset = *endOffset = -1;
            return QString();
        }
        return QAccessibleTextInterface::textBeforeOffset(offset == -2 ? cursorPosition() : offset, boundaryType,
                                                          startOffset, endOffset);
    }

    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                            int *endOffset) const override
    {
        if (edit()->echoMode() != QLineEdit::Normal) {
            *startOffset = *endOffset = -1;
            return QString();
        }
        return QAccessibleTextInterface::textAfterOffset(offset == -2 ? cursorPosition() : offset, boundaryType,
                                                         startOffset, endOffset);
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override
    {
        if (edit()->echoMode() != QLineEdit::Normal) {
            *startOffset = *endOffset = -1;
            return QString();
        }
        return QAccessibleTextInterface::textAtOffset(offset == -2 ? cursorPosition() : offset, boundaryType,
                                                      startOffset, endOffset);
    }

    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            edit()->deselect();
    }

    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }

    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            edit()->setSelection(startOffset, endOffset - startOffset);
    }

    int characterCount() const override { return int(edit()->text().size()); }

    void scrollToSubstring(int startIndex, int endIndex) override
    {
        Q_UNUSED(endIndex);
        edit()->setCursorPosition(startIndex);
    }

    // QAccessibleEditableTextInterface, for a field that is not read-only
    void deleteText(int startOffset, int endOffset) override
    {
        if (!edit()->isReadOnly())
            edit()->setText(edit()->text().remove(startOffset, endOffset - startOffset));
    }

    void insertText(int offset, const QString &text) override
    {
        if (!edit()->isReadOnly())
            edit()->setText(edit()->text().insert(offset, text));
    }

    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        if (!edit()->isReadOnly())
            edit()->setText(edit()->text().replace(startOffset, endOffset - startOffset, text));
    }

private:
    QLineEdit *edit() const { return static_cast<QLineEdit *>(widget()); }
};

// Asked for each class of the object in turn, most derived first; the
// interfaces Qt has for a class are asked after this one for that class.
QAccessibleInterface *accessibleInterface(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (className == QLatin1String("tavik::PictureBox"))
        return new PictureBoxAccessible(static_cast<PictureBox *>(widget));
    // A spin box reads its own field; Qt gives that field no interface of its own.
    if (className == QLatin1String("QLineEdit") && widget->objectName() != QLatin1String("qt_spinbox_lineedit"))
        return new LineEditAccessible(static_cast<QLineEdit *>(widget));
    // Reached for a class with no interface of its own above: a plain frame
    // or a window drawn on a plain widget.
    if (className == QLatin1String("QFrame") || className == QLatin1String("QWidget")) {
        if (widget->isWindow())
            return new QAccessibleWidget(widget, QAccessible::Window);
        if (className == QLatin1String("QFrame"))
            return new QAccessibleWidget(widget, QAccessible::Grouping);
    }
    return nullptr;
}

QAccessible::UpdateHandler qtUpdateHandler = nullptr;

// An editable combo box is the focus proxy of its typing field, so Qt reports
// the box as focused. GTK reports the field, inside the box, and screen
// readers are built for that: Orca 48 speaks no context at all for a focused
// combo box, so the panel the focus has just entered went unannounced.
void reportFocusOnTypingField(QAccessibleEvent *event)
{
    std::optional<QAccessibleEvent> onField;
    if (event->type() == QAccessible::Focus) {
        const auto *combo = qobject_cast<QComboBox *>(event->object());
        if (combo != nullptr && combo->lineEdit() != nullptr)
            onField.emplace(combo->lineEdit(), QAccessible::Focus);
    }
    // Through Qt's own path, with this handler out of the way meanwhile.
    QAccessible::installUpdateHandler(qtUpdateHandler);
    QAccessible::updateAccessibility(onField ? &*onField : event);
    QAccessible::installUpdateHandler(reportFocusOnTypingField);
}

} // namespace

void installAccessibleInterfaces()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(accessibleInterface);
    qtUpdateHandler = QAccessible::installUpdateHandler(reportFocusOnTypingField);
}

} // namespace tavik
