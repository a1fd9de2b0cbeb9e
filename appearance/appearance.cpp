#include "appearance/appearance.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QIcon>
#include <QLoggingCategory>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <optional>

// The pictures and the icon live in the windows library; a static library
// registers its resources only when asked to.
static void registerResources() { Q_INIT_RESOURCE(resources); }

namespace tavik {
namespace {

Q_LOGGING_CATEGORY(lookLog, "tavik.look", QtWarningMsg)

const QColor black(0, 0, 0);
const QColor white(255, 255, 255);
const QColor disabledCaption(128, 128, 128);

// The dialog face and the one that stands in for it where it is missing.
const QString dialogFace = QStringLiteral("Tahoma");
const QString dialogFallbackFace = QStringLiteral("Liberation Sans");
const QString dialogFaceFile = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");

// The classic style, with two changes for captions on the black panels: a
// disabled caption is drawn grey without the light etch (which on black reads
// as an enabled caption), and a group frame's title takes the caption colour
// rather than the field text colour.
class ClassicStyle : public QProxyStyle {
public:
    ClassicStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))) {}

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_EtchDisabledText)
            return 0;
        if (hint == SH_GroupBox_TextLabelColor && option)
            return int(option->palette.color(QPalette::WindowText).rgba());
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

void setUpStyleAndFaces(const QString &chosenStyle)
{
    registerResources();
    // Only the regular face: the bold face of this Tahoma draws strokes no
    // thicker than the regular one, so bold text is emboldened from the
    // regular outline instead, which reads as bold at every size.
    if (QFontDatabase::addApplicationFont(dialogFaceFile) < 0)
        qCInfo(lookLog, "the face file %s could not be added", qPrintable(dialogFaceFile));
    if (!QFontDatabase::families().contains(dialogFace)) {
        qCWarning(lookLog, "%s is not installed (the package fonts-wine has it); %s stands in",
                  qPrintable(dialogFace), qPrintable(dialogFallbackFace));
    }
    // Qt has made the style asked for its own, unless it has none of that name.
    if (chosenStyle.isEmpty() || QApplication::style()->name().compare(chosenStyle, Qt::CaseInsensitive) != 0)
        QApplication::setStyle(new ClassicStyle);
    QApplication::setFont(dialogFont());
}

void setUpWindowIcon()
{
    // The 64-pixel image keeps the 32-pixel icon sharp at a scale of 2.
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

QFont dialogFont()
{
    // Tahoma once the set-up has added its file (or the system has it).
    QFont font(QFontDatabase::families().contains(dialogFace) ? dialogFace : dialogFallbackFace);
    font.setPointSizeF(8.25);
    // Outline-true advances, the same on every screen and in every grab; and
    // Tahoma set 4 % tighter, which brings its widths to those the layout's
    // captions were fitted to, so that none is clipped.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    font.setLetterSpacing(QFont::PercentageSpacing, 96);
    return font;
}

QFont fixedFont()
{
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(9);
    return font;
}

void paintWhiteOnBlack(QWidget *panel)
{
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, black);
    palette.setColor(QPalette::WindowText, white);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledCaption);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

void paintFieldWhiteOnBlack(QWidget *field)
{
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, black);
    palette.setColor(QPalette::Text, white);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledCaption);
    palette.setColor(QPalette::Disabled, QPalette::Base, black);
    field->setPalette(palette);
}

void paintBlackBackground(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

namespace {

// The frame the window manager last put around one of the program's windows:
// the best guess for the frame of a window it has not framed yet.
// Program-wide: one window manager frames every window of the program alike.
QMargins lastFrame;

// Where a window's frame goes for the frame to sit in the middle of the
// primary screen's free area. On a screen smaller than the window, its title
// bar and left edge stay on the screen, where the window can still be moved
// and closed; what does not fit hangs off the right and the bottom.
std::optional<QPoint> centredFramePosition(const QWidget *window, const QMargins &frame)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    const QRect free = screen->availableGeometry();
    const QSize outer = window->size().grownBy(frame);
    const QPoint centred = free.center() - QPoint(outer.width() / 2, outer.height() / 2);
    return QPoint(std::max(centred.x(), free.left()), std::max(centred.y(), free.top()));
}

// The window manager frames a window only once it is shown; then the window
// is centred again if its frame is not the one it was centred for. A window
// left without a frame (no window manager, a frameless window) keeps its
// place; the watch ends after a few seconds either way.
class FrameWatch final : public QObject {
public:
    FrameWatch(QWidget *window, const QMargins &assumed) : QObject(window), m_window(window), m_assumed(assumed)
    {
        connect(&m_poll, &QTimer::timeout, this, &FrameWatch::check);
        if (window->isVisible())
            start();
        else
            window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !m_poll.isActive()) {
            m_window->removeEventFilter(this);
            start();
        }
        return false;
    }

private:
    void start()
    {
        m_poll.start(20);
        QTimer::singleShot(4000, this, &QObject::deleteLater);
    }

    void check()
    {
        const QWindow *handle = m_window->windowHandle();
        if (!m_window->isVisible() || !handle)
            return;
        const QMargins frame = handle->frameMargins();
        if (frame.isNull())
            return;
        lastFrame = frame;
        if (frame != m_assumed)
            if (const std::optional<QPoint> place = centredFramePosition(m_window, frame))
                m_window->move(*place);
        m_poll.stop();
        deleteLater();
    }

    QWidget *m_window;
    QMargins m_assumed;
    QTimer m_poll;
};

} // namespace

void centreOnScreen(QWidget *window)
{
    // A window's position is where its frame's top left corner goes; the
    // title bar and borders are part of what is centred.
    const QWindow *handle = window->windowHandle();
    const bool framed = handle && window->isVisible() && !handle->frameMargins().isNull();
    const QMargins frame = framed ? handle->frameMargins()
                           : window->windowFlags().testFlag(Qt::FramelessWindowHint) ? QMargins()
                                                                                     : lastFrame;
    if (const std::optional<QPoint> place = centredFramePosition(window, frame))
        window->move(*place);
    if (!framed && !window->windowFlags().testFlag(Qt::FramelessWindowHint))
        new FrameWatch(window, frame);
}

} // namespace tavik
