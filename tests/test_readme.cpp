// The readme viewer: the shape of the built-in text, the window's controls,
// and what hiding and unloading do to the reader's place in the text.
#include "appearance/appearance.h"
#include "infowindows/readmeviewer.h"
#include "support/controls.h"

#include <QFile>
#include <QPointer>
#include <QScrollBar>
#include <QTest>

using namespace tavik;
using namespace Qt::StringLiterals;
using tavik::testing::control;

namespace {

QByteArray readmeBytes()
{
    QFile file(QStringLiteral(":/readme.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The lines without their CR LF; only meaningful once the endings are checked.
QList<QByteArray> readmeLines()
{
    QList<QByteArray> lines = readmeBytes().split('\n');
    lines.removeLast(); // after the final CR LF
    for (QByteArray &line : lines)
        line.chop(1);
    return lines;
}

// Columns a line takes with tabs on 8-column stops.
int columns(const QByteArray &line)
{
    int col = 0;
    for (char c : line)
        col = c == '\t' ? (col / 8 + 1) * 8 : col + 1;
    return col;
}

bool isFullRow(QByteArray line)
{
    if (line.endsWith(' '))
        line.chop(1);
    return line == QByteArray(58, '*');
}

bool isBannerStart(const QList<QByteArray> &lines, int i)
{
    return i + 2 < lines.size() && isFullRow(lines[i]) && isFullRow(lines[i + 2]) && !isFullRow(lines[i + 1])
        && lines[i + 1].startsWith('*') && lines[i + 1].endsWith('*');
}

} // namespace

class ReadmeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpStyleAndFaces(); }

    void size()
    {
        const QByteArray bytes = readmeBytes();
        QCOMPARE(bytes.size(), 6216);
        QCOMPARE(bytes.count("\r\n"), 106);
        // No lone CR or LF: every break is CR LF, the last line's included.
        QCOMPARE(bytes.count('\n'), 106);
        QCOMPARE(bytes.count('\r'), 106);
        QVERIFY(bytes.endsWith("\r\n"));
    }

    // Every line is part of the 58-column box, the tabbed ones included.
    void boxShape()
    {
        const QList<QByteArray> lines = readmeLines();
        QCOMPARE(lines.size(), 106);
        for (int i = 0; i < lines.size(); ++i) {
            const QByteArray &line = lines[i];
            QVERIFY2(line.endsWith("**") || line.endsWith("* "), QByteArray::number(i + 1));
            QVERIFY2(line.startsWith("**"), QByteArray::number(i + 1));
            QCOMPARE(columns(line.endsWith(' ') ? line.chopped(1) : line), 58);
            if (line.contains('\t'))
                QVERIFY2(line.startsWith("** ") && line.endsWith("\t**"), QByteArray::number(i + 1));
        }
    }

    void banners_data()
    {
        QTest::addColumn<int>("firstLine");
        QTest::addColumn<QByteArray>("title");
        QTest::newRow("title") << 1 << QByteArray("FRONTEND 2.5 FOR SNES9x");
        QTest::newRow("notes") << 19 << QByteArray("NOTES");
        QTest::newRow("disclaimer") << 35 << QByteArray("DISCLAIMER");
        QTest::newRow("known bugs") << 43 << QByteArray("KNOWN BUGS");
        QTest::newRow("history") << 48 << QByteArray("HISTORY");
        QTest::newRow("authors") << 66 << QByteArray("THE AUTHORS");
        QTest::newRow("thanks") << 84 << QByteArray("THANKS");
    }
    void banners()
    {
        QFETCH(int, firstLine);
        QFETCH(QByteArray, title);
        const QList<QByteArray> lines = readmeLines();
        const int i = firstLine - 1;
        QVERIFY(isBannerStart(lines, i));
        const QByteArray &row = lines[i + 1];
        QVERIFY(row.contains(' ' + title + ' '));
        // Centred: the asterisks either side differ by one at most.
        const int left = int(row.indexOf(' '));
        const int right = int(row.size() - 1 - row.lastIndexOf(' '));
        QVERIFY2(qAbs(left - right) <= 1, row);
        // Nothing but body lines up to the next banner.
        for (int j = i + 3; j < lines.size() && !isBannerStart(lines, j) && !isFullRow(lines[j]); ++j)
            QVERIFY2(lines[j].startsWith("** "), QByteArray::number(j + 1));
    }

    // Exactly the seven section banners, then the closing one: two rows of
    // asterisks around two title rows.
    void bannerOrder()
    {
        const QList<QByteArray> lines = readmeLines();
        QList<int> starts;
        for (int i = 0; i < lines.size(); ++i)
            if (isBannerStart(lines, i))
                starts << i + 1;
        QCOMPARE(starts, (QList<int>{1, 19, 35, 43, 48, 66, 84}));
        for (int n : {103, 106})
            QVERIFY(isFullRow(lines[n - 1]));
        for (int n : {104, 105})
            QVERIFY(!isFullRow(lines[n - 1]) && lines[n - 1].startsWith("*****") && lines[n - 1].endsWith("*****"));
    }

    void historyHeadings()
    {
        const QList<QByteArray> lines = readmeLines();
        QList<QByteArray> versions;
        for (int i = 50; i < 65; ++i) {
            const QByteArray text = lines[i].mid(3).trimmed();
            if (text.startsWith('-'))
                versions << text.mid(1, 3);
        }
        QCOMPARE(versions, (QList<QByteArray>{"1.0", "1.1", "2.0", "2.5"}));
    }

    void window()
    {
        Form3 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Readme"));
        QCOMPARE(form.minimumSize(), QSize(489, 301));
        QCOMPARE(form.maximumSize(), QSize(489, 301));
        QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(control<QPlainTextEdit>(&form, u"Text1"_s)->geometry(), QRect(0, 0, 489, 265));
        QCOMPARE(control<QPushButton>(&form, u"Command1"_s)->geometry(), QRect(0, 272, 489, 25));
        QCOMPARE(control<QPushButton>(&form, u"Command1"_s)->text(), QStringLiteral("Return to Tavik 2.5"));
        QCOMPARE(form.findChildren<QPushButton *>().size(), 1);
    }

    void textBox()
    {
        Form3 form;
        QPlainTextEdit *text = control<QPlainTextEdit>(&form, u"Text1"_s);
        QVERIFY(text->isReadOnly());
        QVERIFY(text->textInteractionFlags() & Qt::TextSelectableByMouse);
        QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        const QString family = text->font().family();
        QVERIFY2(family == QStringLiteral("Fixedsys") || family == QStringLiteral("Liberation Mono"), qPrintable(family));
        QCOMPARE(text->font().pointSizeF(), 9.0);
        // What the box shows is the readme, line for line.
        QString expected = QString::fromLatin1(readmeBytes());
        expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(text->toPlainText(), expected);
    }

    // The widest line, tabs expanded, must fit so that nothing wraps.
    void longestLineFits()
    {
        Form3 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QPlainTextEdit *text = control<QPlainTextEdit>(&form, u"Text1"_s);
        const int width = text->fontMetrics().horizontalAdvance(QString(58, QLatin1Char('*')));
        QVERIFY2(width <= text->viewport()->width() - 2 * text->document()->documentMargin(),
                 qPrintable(QStringLiteral("%1 > %2").arg(width).arg(text->viewport()->width())));
        QCOMPARE(text->document()->lineCount(), text->document()->blockCount());
    }

    void notEditable()
    {
        Form3 form;
        form.show();
        QPlainTextEdit *text = control<QPlainTextEdit>(&form, u"Text1"_s);
        const QString before = text->toPlainText();
        QTest::keyClicks(text, QStringLiteral("xyz"));
        QTest::keyClick(text, Qt::Key_Delete);
        QTest::keyClick(text, Qt::Key_Backspace);
        QCOMPARE(text->toPlainText(), before);
    }

    void focusOnOpening()
    {
        Form3 form;
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTRY_VERIFY(control<QPlainTextEdit>(&form, u"Text1"_s)->hasFocus());
    }

    void reopening_data()
    {
        QTest::addColumn<bool>("viaCloseBox");
        QTest::newRow("Return to Tavik 2.5 keeps the place") << false;
        QTest::newRow("close box starts from the top") << true;
    }
    void reopening()
    {
        QFETCH(bool, viaCloseBox);
        QPointer<Form3> form = new Form3;
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QPlainTextEdit *text = control<QPlainTextEdit>(form, u"Text1"_s);
        QScrollBar *bar = text->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(100);
        cursor.setPosition(140, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
        bar->setValue(bar->maximum());

        if (viaCloseBox) {
            QVERIFY(form->close());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(form.isNull());
            form = new Form3;
        } else {
            QTest::mouseClick(control<QPushButton>(form, u"Command1"_s), Qt::LeftButton);
            QVERIFY(!form->isVisible());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!form.isNull());
        }
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        text = control<QPlainTextEdit>(form, u"Text1"_s);
        bar = text->verticalScrollBar();
        if (viaCloseBox) {
            QCOMPARE(bar->value(), 0);
            QVERIFY(!text->textCursor().hasSelection());
            QCOMPARE(text->textCursor().position(), 0);
        } else {
            QCOMPARE(bar->value(), bar->maximum());
            QCOMPARE(text->textCursor().selectionStart(), 100);
            QCOMPARE(text->textCursor().selectionEnd(), 140);
        }
        delete form;
    }
};

QTEST_MAIN(ReadmeTest)
#include "test_readme.moc"
