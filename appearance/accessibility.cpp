#include "appearance/accessibility.h"

#include "appearance/picturebox.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTextBoundaryFinder>

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

// A single-line text field. Qt's own interface for one (QAccessibleLineEdit)
// is private to Qt and not exported, and an object has one interface, so this
// one stands in for it whole. It differs from Qt's where Qt 6.4 (Debian 12) and
// 6.8 (Debian 13) fail screen readers:
// - Qt reports the text attributes at any offset as an empty run, beginning
//   and ending at that offset; Orca builds a line from the runs and drops its
//   last character ("Select a SNES Rom Fil"). Here the whole text is one run.
// - Qt's search for the word or the sentence at an offset
//   (QAccessibleTextInterface::textAtOffset) runs on forever from the end of
//   the text when one ends there, and the program stops; Orca asks for the
//   word there when Ctrl+Right brings the caret to the end. Here there is
//   none there, as there is no character there.
// - Qt reports a read-only field as editable and offers to edit it. Here it is
//   read-only only.
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
        if (t != QAccessible::Value)
            QAccessibleWidget::setText(t, text);
        else if (!edit()->isReadOnly())
            edit()->setText(text);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = edit()->isReadOnly();
        state.editable = !state.readOnly;
        state.passwordEdit = edit()->echoMode() != QLineEdit::Normal;
        state.selectableText = true;
        return state;
    }

    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override
    {
        // Where a word or a sentence ends at the end, Qt's search starts there
        // and looks past it for the end forever.
        const QString shown = text(0, characterCount());
        if ((offset == -1 || offset == shown.size())
            && (boundaryType == QAccessible::WordBoundary || boundaryType == QAccessible::SentenceBoundary)) {
            QTextBoundaryFinder finder(boundaryType == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                                                : QTextBoundaryFinder::Sentence,
                                       shown);
            finder.toEnd();
            if (finder.boundaryReasons() & (QTextBoundaryFinder::StartOfItem | QTextBoundaryFinder::EndOfItem)) {
                *startOffset = *endOffset = -1;
                return QString();
            }
        }
        return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
    }

    // The rest as Qt's, as near as the field's public API allows.
    QString text(int startOffset, int endOffset) const override
    {
        if (startOffset > endOffset || edit()->echoMode() != QLineEdit::Normal)
            return QString();
        return edit()->text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(edit()->text().size()); }
    int cursorPosition() const override { return edit()->cursorPosition(); }
    void setCursorPosition(int position) override { edit()->setCursorPosition(position); }
    void scrollToSubstring(int startIndex, int) override { edit()->setCursorPosition(startIndex); }
    int selectionCount() const override { return edit()->hasSelectedText() ? 1 : 0; }
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && edit()->hasSelectedText()) {
            *startOffset = edit()->selectionStart();
            *endOffset = *startOffset + int(edit()->selectedText().size());
        }
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            edit()->setSelection(startOffset, endOffset - startOffset);
    }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            edit()->deselect();
    }

    QRect characterRect(int offset) const override
    {
        const QString shown = edit()->displayText();
        if (offset < 0 || offset >= shown.size())
            return QRect();
        // Measured from the caret, whose place Qt reports, so the text's
        // scrolling and margins are accounted for.
        const QFontMetrics metrics(edit()->font());
        const QRect caret = edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int x = caret.x() + metrics.horizontalAdvance(shown.left(offset))
                      - metrics.horizontalAdvance(shown.left(edit()->cursorPosition()));
        QRect rect(x, caret.y(), metrics.horizontalAdvance(shown.at(offset)), caret.height());
        rect.moveTo(edit()->mapToGlobal(rect.topLeft()));
        return rect;
    }

    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = edit()->mapFromGlobal(point);
        return edit()->rect().contains(local) ? edit()->cursorPositionAt(local) : -1;
    }

    // Offered only while the field is not read-only.
    void deleteText(int startOffset, int endOffset) override
    {
        edit()->setText(edit()->text().remove(startOffset, endOffset - startOffset));
    }
    void insertText(int offset, const QString &text) override { edit()->setText(edit()->text().insert(offset, text)); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
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

// Qt's own handler, which this one passes each event on to. Program-wide, as
// Qt's handler is: Qt takes a plain function, with no object to keep it in.
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
    // Once for the program: installed again, this handler would pass events on to itself.
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(accessibleInterface);
    qtUpdateHandler = QAccessible::installUpdateHandler(reportFocusOnTypingField);
}

} // namespace tavik
