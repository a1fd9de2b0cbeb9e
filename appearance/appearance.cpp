#include "appearance/appearance.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QIcon>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

// The pictures and the icon live in the windows library; a static library
// registers its resources only when asked to.
static void registerResources() { Q_INIT_RESOURCE(resources); }

namespace tavik {
namespace {

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

void setUpAppearance()
{
    setUpStyleAndFaces();
    setUpWindowIcon();
}

void setUpStyleAndFaces()
{
    registerResources();
    // Only the regular face: the bold face of this Tahoma draws strokes no
    // thicker than the regular one, so bold text is emboldened from the
    // regular outline instead, which reads as bold at every size.
    QFontDatabase::addApplicationFont(dialogFaceFile);
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

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize frame = window->frameGeometry().size();
    window->move(available.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

} // namespace tavik
