// The GrIP information dialog's set-up and the ways it hands control back to
// the main window.
#include "infowindows/gripinfo.h"

#include "ui_gripinfo.h"

#include "appearance/appearance.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace tavik {

Dialogbox1::Dialogbox1()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::dialogbox1>())
{
    ui->setupUi(this);
    setFont(dialogFont());
    setFixedSize(439, 191);

    // The button is the only control that takes the focus; as the default
    // button it answers Enter as well as Space, although this is no QDialog.
    ui->Command1->setDefault(true);
    ui->Command1->setAutoDefault(true);
    ui->Command1->setFocus();

    connect(ui->Command1, &QPushButton::clicked, this, &Dialogbox1::Command1_Click);
    centreOnScreen(this);
}

Dialogbox1::~Dialogbox1() = default;

void Dialogbox1::Command1_Click()
{
    returnToMainWindow();
}

void Dialogbox1::returnToMainWindow()
{
    // Hiding the dialog first is what gives the main window its input back.
    hide();
}

void Dialogbox1::closeEvent(QCloseEvent *event)
{
    // The instance stays loaded, as after the button.
    returnToMainWindow();
    event->accept();
}

void Dialogbox1::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tavik
