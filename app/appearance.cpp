#include "app/appearance.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QStyleFactory>

// The pictures and the icon live in the windows library; a static library
// registers its resources only when asked to.
static void registerResources() { Q_INIT_RESOURCE(resources); }

namespace tavik {
namespace {

QString loadFamily(const QString &file, const QString &fallback)
{
    const int id = QFontDatabase::addApplicationFont(file);
    const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? fallback : families.first();
}

QString &dialogFamily()
{
    static QString family = QStringLiteral("Liberation Sans");
    return family;
}

QString &fixedFamily()
{
    static QString family = QStringLiteral("Liberation Mono");
    return family;
}

} // namespace

void setUpAppearance()
{
    registerResources();
    dialogFamily() = loadFamily(QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf"),
                                QStringLiteral("Liberation Sans"));
    fixedFamily() = loadFamily(QStringLiteral("/usr/share/wine/fonts/fixedsys.ttf"),
                               QStringLiteral("Liberation Mono"));
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(style);
    QApplication::setFont(dialogFont());

    QIcon icon;
    icon.addFile(QStringLiteral(":/images/icon16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/images/icon32.png"), QSize(32, 32));
    QApplication::setWindowIcon(icon);
}

QFont dialogFont()
{
    QFont font(dialogFamily());
    font.setPointSizeF(8.25);
    return font;
}

QFont fixedFont()
{
    QFont font(fixedFamily());
    font.setPointSizeF(9);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

} // namespace tavik
