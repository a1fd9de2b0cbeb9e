#include "infowindows/about.h"

#include "ui_about.h"

#include "appearance/appearance.h"

#include <QCloseEvent>

namespace tavik {

About::About()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::About>())
{
    ui->setupUi(this);
    setFont(dialogFont());
    QFont titleFont = ui->Label1->font();
    titleFont.setPointSizeF(13.5);
    ui->Label1->setFont(titleFont);
    setModal(true);
    ui->Command1->setAutoDefault(false);
    connect(ui->Command1, &QPushButton::clicked, this, &QWidget::hide);
    setFixedSize(550, 153);
    centreOnScreen(this);
}

About::~About() = default;

void About::closeEvent(QCloseEvent *event)
{
    event->accept();
    deleteLater();
}

} // namespace tavik
