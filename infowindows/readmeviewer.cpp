#include "infowindows/readmeviewer.h"

#include "ui_readmeviewer.h"

#include "appearance/appearance.h"

#include <QFile>

namespace tavik {

Form3::Form3()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::Form3>())
{
    ui->setupUi(this);
    // The close box unloads the window; the next opening starts at the top.
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(dialogFont());
    ui->Text1->setFont(fixedFont());
    // The readme's boxed lines close with tabs on 8-column stops; the default
    // stop distance would push their asterisks out of line.
    ui->Text1->setTabStopDistance(8 * ui->Text1->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    // 58 columns of 8 pixels need 464 of the 469 pixels beside the scroll
    // bar; the default 4-pixel page margin would wrap every line of the box.
    ui->Text1->document()->setDocumentMargin(2);

    // The text is built into the program. Its CR LF endings become the
    // viewer's line breaks.
    QFile readme(QStringLiteral(":/readme.txt"));
    readme.open(QIODevice::ReadOnly);
    ui->Text1->setPlainText(QString::fromLatin1(readme.readAll()));
    ui->Text1->moveCursor(QTextCursor::Start);

    connect(ui->Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    setFixedSize(489, 301);
    centreOnScreen(this);
}

Form3::~Form3() = default;

void Form3::Command1_Click() { hide(); }

void Form3::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ui->Text1->setFocus(Qt::OtherFocusReason);
}

} // namespace tavik
