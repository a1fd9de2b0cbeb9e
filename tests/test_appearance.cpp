// What the windows really draw, read back from the pixels at device pixel
// ratios 1 and 2: ticks and dots that show their state on the black panels,
// slider tick marks, bold that looks bold, text that scales, captions that
// fit their controls at 96 dpi, and the program icon on every window.
#include "app/programwindows.h"
#include "appearance/appearance.h"
#include "appearance/picturebox.h"
#include "infowindows/about.h"
#include "infowindows/gripinfo.h"
#include "infowindows/readmeviewer.h"
#include "infowindows/frmsplash.h"
#include "infowindows/help.h"
#include "mainwindow/form1.h"
#include "romchooser/form5.h"
#include "support/controls.h"
#include "support/fakeplatform.h"
#include "support/mainwindow.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QTest>

using namespace tavik;
using namespace Qt::StringLiterals;

namespace {

// The picture of `control` as its window draws it, at `ratio` device pixels
// per pixel; the window's own background shows behind the control.
QImage drawn(QWidget *control, qreal ratio)
{
    QWidget *window = control->window();
    QPixmap pixmap(control->size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    const QRect area(control->mapTo(window, QPoint(0, 0)), control->size());
    window->render(&pixmap, QPoint(), QRegion(area));
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

int brightness(QRgb pixel) { return qGray(pixel); }

// How far the picture's pixels are from its background (its top left
// pixel), summed: the ink of the text drawn on it.
qint64 ink(const QImage &image)
{
    const int background = brightness(image.pixel(0, 0));
    qint64 total = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            total += qAbs(brightness(image.pixel(x, y)) - background);
    return total;
}

// The rows a text's ink covers, on a light background.
int inkHeight(const QImage &image)
{
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (brightness(image.pixel(x, y)) < 128) {
                if (top < 0)
                    top = y;
                bottom = y;
                break;
            }
        }
    }
    return top < 0 ? 0 : bottom - top + 1;
}

int indicatorSpace(QWidget *box)
{
    const bool check = qobject_cast<QCheckBox *>(box) != nullptr;
    QStyle *style = box->style();
    return style->pixelMetric(check ? QStyle::PM_IndicatorWidth : QStyle::PM_ExclusiveIndicatorWidth, nullptr, box)
           + style->pixelMetric(check ? QStyle::PM_CheckBoxLabelSpacing : QStyle::PM_RadioButtonLabelSpacing,
                                nullptr, box);
}

} // namespace

class AppearanceTest : public testing::MainWindowTest {
    Q_OBJECT

    template <typename T = QWidget>
    T *control(const QString &name)
    {
        return testing::control<T>(form, name);
    }

private slots:
    // Checked, unchecked, enabled and disabled all look different, for every
    // kind of box and option button on the black panels, and the caption
    // stays white on black (grey when disabled).
    void indicatorsShowTheirState_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qreal>("ratio");
        for (qreal ratio : {1.0, 2.0}) {
            const QByteArray at = " at " + QByteArray::number(ratio);
            QTest::newRow("check box" + at) << QStringLiteral("NoSoundEcho") << ratio;
            QTest::newRow("option button" + at) << QStringLiteral("MonoSound") << ratio;
            QTest::newRow("option button in a group frame" + at) << QStringLiteral("PAL") << ratio;
            QTest::newRow("cartridge option button" + at) << QStringLiteral("GameGenie") << ratio;
            QTest::newRow("code box" + at) << QStringLiteral("Code3ON") << ratio;
            QTest::newRow("wrapped caption box" + at) << QStringLiteral("int2") << ratio;
        }
    }
    void indicatorsShowTheirState()
    {
        QFETCH(QString, name);
        QFETCH(qreal, ratio);
        auto *button = control<QAbstractButton>(name);
        testing::showPanelOf(form, button);
        const bool radio = qobject_cast<QRadioButton *>(button) != nullptr;
        const auto setChecked = [&](bool checked) {
            button->setAutoExclusive(false);
            button->setChecked(checked);
            button->setAutoExclusive(radio);
        };

        QList<QImage> looks;
        for (bool enabled : {true, false}) {
            for (bool checked : {false, true}) {
                button->setEnabled(enabled);
                setChecked(checked);
                looks << drawn(button, ratio);
            }
        }
        const QRect indicator(0, 0, qRound(indicatorSpace(button) * ratio), looks[0].height());
        for (int a = 0; a < looks.size(); ++a)
            for (int b = a + 1; b < looks.size(); ++b)
                QVERIFY2(looks[a].copy(indicator) != looks[b].copy(indicator),
                         qPrintable(QStringLiteral("looks %1 and %2 alike").arg(a).arg(b)));

        // The caption: white when enabled, grey when disabled, on black.
        if (button->width() > 2 * indicatorSpace(button)) {
            // The caption, short of the bottom row, where the list below touches int2.
            const QRect caption(indicator.width(), 0, looks[0].width() - indicator.width(),
                                looks[0].height() - qRound(2 * ratio));
            const auto brightest = [&](const QImage &look) {
                int most = 0;
                const QImage part = look.copy(caption);
                for (int y = 0; y < part.height(); ++y)
                    for (int x = 0; x < part.width(); ++x)
                        most = qMax(most, brightness(part.pixel(x, y)));
                return most;
            };
            QCOMPARE_GE(brightest(looks[0]), 230);
            QCOMPARE_LE(brightest(looks[2]), 160);
            QCOMPARE_GE(brightest(looks[2]), 80);
            QCOMPARE(brightness(looks[0].pixel(looks[0].width() - 1, 0)), 0);
        }
    }

    // The fields on the black panels show their text white on black, at
    // both ratios.
    void fieldsShowLightTextOnBlack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qreal>("ratio");
        for (qreal ratio : {1.0, 2.0}) {
            const QByteArray at = " at " + QByteArray::number(ratio);
            for (const char *name : {"Scanlines", "SoundBuffersize", "GCode1"})
                QTest::newRow(name + at) << QString::fromLatin1(name) << ratio;
        }
    }
    void fieldsShowLightTextOnBlack()
    {
        QFETCH(QString, name);
        QFETCH(qreal, ratio);
        auto *field = control<QLineEdit>(name);
        testing::showPanelOf(form, field);
        field->setEnabled(true);
        field->setText(u"8888"_s);
        const QImage image = drawn(field, ratio);
        // Inside the frame: the black ground, and text clearly lighter.
        const QRect inside = QRect(QPoint(0, 0), image.size()).adjusted(qRound(3 * ratio), qRound(3 * ratio),
                                                                          -qRound(3 * ratio), -qRound(3 * ratio));
        int darkest = 255, brightest = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x) {
                darkest = qMin(darkest, brightness(image.pixel(x, y)));
                brightest = qMax(brightest, brightness(image.pixel(x, y)));
            }
        }
        QCOMPARE_LE(darkest, 16);
        QCOMPARE_GE(brightest, 230);
    }

    // A light tick mark at every value, under SoundRatio and over Frameskip.
    void slidersShowATickAtEveryValue_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("below");
        QTest::addColumn<qreal>("ratio");
        for (qreal ratio : {1.0, 2.0}) {
            const QByteArray at = " at " + QByteArray::number(ratio);
            QTest::newRow("SoundRatio" + at) << QStringLiteral("SoundRatio") << 3 << true << ratio;
            QTest::newRow("Frameskip" + at) << QStringLiteral("Frameskip") << 5 << false << ratio;
        }
    }
    void slidersShowATickAtEveryValue()
    {
        QFETCH(QString, name);
        QFETCH(int, ticks);
        QFETCH(bool, below);
        QFETCH(qreal, ratio);
        auto *slider = control<QSlider>(name);
        testing::showPanelOf(form, slider);
        const QImage image = drawn(slider, ratio);
        // The band beside the track where the ticks stand, clear of the handle.
        const int band = image.height() / 5;
        const int top = below ? image.height() - band : 0;
        int runs = 0;
        bool inRun = false;
        for (int x = 0; x < image.width(); ++x) {
            bool light = false;
            for (int y = top; y < top + band; ++y)
                light = light || brightness(image.pixel(x, y)) > 128;
            runs += light && !inRun ? 1 : 0;
            inRun = light;
        }
        QCOMPARE(runs, ticks);
    }

    // Help's bold labels carry clearly more ink than the same letters set regular.
    void boldLooksBold_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qreal>("ratio");
        for (qreal ratio : {1.0, 2.0})
            for (const char *name : {"Label14", "Label2", "Label9", "Label28"})
                QTest::newRow(qPrintable(QStringLiteral("%1 at %2").arg(QLatin1String(name)).arg(ratio)))
                    << QString::fromLatin1(name) << ratio;
    }
    void boldLooksBold()
    {
        QFETCH(QString, name);
        QFETCH(qreal, ratio);
        windows->showHelp();
        Help *help = testing::loadedWindow<Help>();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        auto *label = help->findChild<QLabel *>(name);
        QVERIFY(label->font().bold());
        const qint64 bold = ink(drawn(label, ratio));
        QFont regular = label->font();
        regular.setBold(false);
        label->setFont(regular);
        const qint64 plain = ink(drawn(label, ratio));
        QVERIFY2(bold * 10 > plain * 12, qPrintable(QStringLiteral("bold %1, regular %2").arg(bold).arg(plain)));
    }

    // About's 13.5-point title stands taller than a credit line, and text
    // drawn at ratio 2 is twice as tall as at ratio 1, not a small glyph
    // spread over a large box.
    void textSizes()
    {
        About ownAbout;
        About *about = &ownAbout;
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        auto *title = about->findChild<QLabel *>(QStringLiteral("Label1"));
        auto *credit = about->findChild<QLabel *>(QStringLiteral("Label2"));
        QCOMPARE(title->font().pointSizeF(), 13.5);
        QCOMPARE_GE(inkHeight(drawn(title, 1)), inkHeight(drawn(credit, 1)) * 13 / 10);

        for (QLabel *label : {title, credit}) {
            const int single = inkHeight(drawn(label, 1));
            const int twice = inkHeight(drawn(label, 2));
            QVERIFY2(twice >= single * 17 / 10 && twice <= single * 23 / 10,
                     qPrintable(QStringLiteral("%1: %2 then %3").arg(label->text()).arg(single).arg(twice)));
        }
    }

    void mainWindowTextIsDialogSized()
    {
        for (QWidget *widget : form->findChildren<QWidget *>())
            QVERIFY2(widget->font().pointSizeF() == 8.25, qPrintable(widget->objectName()));
    }

    // At 96 dpi every caption fits the control that shows it. The code boxes
    // are narrow on purpose, so only their tick shows.
    void captionsFit_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *window : {"Form1", "Help", "About", "dialogbox1", "frmSplash"})
            QTest::newRow(window) << QString::fromLatin1(window);
    }
    void captionsFit()
    {
        QFETCH(QString, window);
        // The windows that stand alone, each one of its own.
        const std::unique_ptr<QWidget> own(window == u"Help"         ? static_cast<QWidget *>(new Help)
                                           : window == u"About"      ? static_cast<QWidget *>(new About)
                                           : window == u"dialogbox1" ? static_cast<QWidget *>(new Dialogbox1)
                                                                     : nullptr);
        QWidget *shown = own ? own.get() : window == u"Form1" ? static_cast<QWidget *>(form) : windows->frmSplash();
        QCOMPARE(shown->logicalDpiX(), 96);
        int checked = 0;
        for (QWidget *widget : shown->findChildren<QWidget *>()) {
            const QFontMetrics metrics(widget->font());
            const QString name = widget->objectName();
            if (auto *label = qobject_cast<QLabel *>(widget); label && !label->text().isEmpty()) {
                const QRect space = label->contentsRect();
                if (label->wordWrap())
                    QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->text()));
                else
                    QVERIFY2(metrics.horizontalAdvance(label->text()) <= space.width()
                                 && metrics.height() <= label->height(),
                             qPrintable(label->text()));
                ++checked;
            } else if (auto *box = qobject_cast<QAbstractButton *>(widget);
                       box && !box->text().isEmpty() && !qobject_cast<QPushButton *>(box)
                       && !name.startsWith(u"Code")) {
                QVERIFY2(indicatorSpace(box) + metrics.horizontalAdvance(box->text()) <= box->width(),
                         qPrintable(box->text()));
                ++checked;
            } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
                const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
                QVERIFY2(metrics.horizontalAdvance(button->text()) + margin <= button->width(),
                         qPrintable(button->text()));
                ++checked;
            } else if (auto *group = qobject_cast<QGroupBox *>(widget)) {
                QVERIFY2(metrics.horizontalAdvance(group->title()) + 8 <= group->width(), qPrintable(group->title()));
                ++checked;
            }
        }
        QVERIFY(checked > 0);
    }

    // A window sits in the middle of the screen's free area; along a side
    // where it is larger than the screen, its left or top edge (the title
    // bar, by which it is moved and closed) stays on the screen.
    void windowsAreCentred_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("smaller than the screen") << QSize(301, 201);
        QTest::newRow("taller than the screen") << QSize(300, 4000);
        QTest::newRow("wider than the screen") << QSize(4000, 200);
    }
    void windowsAreCentred()
    {
        QFETCH(QSize, size);
        QWidget window(nullptr, Qt::FramelessWindowHint); // no frame to allow for
        window.resize(size);
        centreOnScreen(&window);
        const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
        const auto placed = [](int at, int length, int freeAt, int freeLength) {
            // Centred: its middle within a pixel of the free area's.
            return length > freeLength ? at == freeAt : std::abs(2 * (at - freeAt) + length - freeLength) <= 2;
        };
        QVERIFY2(placed(window.x(), size.width(), free.x(), free.width())
                     && placed(window.y(), size.height(), free.y(), free.height()),
                 qPrintable(QStringLiteral("at %1, %2").arg(window.x()).arg(window.y())));
    }

    void everyWindowCarriesBothIconSizes()
    {
        // The windows that stand alone, each one of its own.
        About about;
        Help help;
        Form3 readme;
        Dialogbox1 grip;
        Form5 chooser(*windows, QDir::currentPath());
        for (QWidget *window :
             std::initializer_list<QWidget *>{form, windows->frmSplash(), &about, &help, &readme, &grip, &chooser}) {
            const QList<QSize> sizes = window->windowIcon().availableSizes();
            QVERIFY2(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)),
                     qPrintable(window->objectName()));
            // Sharp when the 32-pixel icon is drawn at a scale of 2.
            QCOMPARE(window->windowIcon().pixmap(QSize(32, 32), 2.0).size(), QSize(64, 64));
        }
    }

    // The logo is drawn from a source with enough pixels for a scale of 2:
    // neighbouring device pixels differ as they would in a sharp picture,
    // not in pairs as in a picture blown up from its shown size.
    void logoIsSharpAtRatio2()
    {
        QWidget *logo = control(u"Picture1"_s);
        const QImage image = drawn(logo, 2);
        QCOMPARE(image.size(), QSize(270, 202));
        int pairs = 0, differing = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x + 1 < image.width(); x += 2) {
                ++pairs;
                differing += qAbs(brightness(image.pixel(x, y)) - brightness(image.pixel(x + 1, y))) > 8 ? 1 : 0;
            }
        }
        QVERIFY2(differing * 50 > pairs, qPrintable(QStringLiteral("%1 of %2").arg(differing).arg(pairs)));
    }

    // At ratio 1 a JPEG picture is read at half its size straight from the
    // file; what that draws must be the picture the full source gives, scaled
    // down, at either ratio, and at any size of the control.
    void pictureMatchesItsSourceAtEveryRatio_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QSize>("size");
        QTest::newRow("splash, ratio 1") << 1.0 << QSize(319, 261);
        QTest::newRow("splash, ratio 2") << 2.0 << QSize(319, 261);
        QTest::newRow("smaller than half, ratio 1") << 1.0 << QSize(100, 80);
        QTest::newRow("larger than the source, ratio 1") << 1.0 << QSize(700, 500);
    }
    void pictureMatchesItsSourceAtEveryRatio()
    {
        QFETCH(qreal, ratio);
        QFETCH(QSize, size);
        PictureBox box;
        box.setSource(QStringLiteral(":/images/logo.jpg"));
        box.resize(size);
        const QImage image = drawn(&box, ratio);
        const QImage expected = QImage(QStringLiteral(":/images/logo.jpg"))
                                    .scaled(size * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                    .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image.size(), expected.size());
        qint64 difference = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                difference += qAbs(brightness(image.pixel(x, y)) - brightness(expected.pixel(x, y)));
        const double mean = double(difference) / (image.width() * image.height());
        QVERIFY2(mean < 2.0, qPrintable(QStringLiteral("mean difference %1").arg(mean)));
    }

    // The code fields and Scanlines take text of any length, letters and
    // dashes as well as digits; the sound buffer size stops at four characters.
    void fieldLengths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kept");
        const int longText = 100000;
        QTest::newRow("Scanlines") << QStringLiteral("Scanlines") << longText;
        for (int i = 1; i <= 10; ++i)
            QTest::newRow(qPrintable(QStringLiteral("GCode%1").arg(i))) << QStringLiteral("GCode%1").arg(i) << longText;
        QTest::newRow("SoundBuffersize") << QStringLiteral("SoundBuffersize") << 4;
    }
    void fieldLengths()
    {
        QFETCH(QString, name);
        QFETCH(int, kept);
        auto *field = control<QLineEdit>(name);
        field->clear();
        // As a paste would: through the field's own editing, which honours its limit.
        field->insert(QStringLiteral("7E0D-").repeated(20000));
        QCOMPARE(field->text().size(), kept);
    }
};

QTEST_MAIN(AppearanceTest)
#include "test_appearance.moc"
