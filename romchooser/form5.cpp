#include "romchooser/form5.h"

#include "ui_form5.h"

#include "app/appearance.h"
#include "app/windowset.h"
#include "mainwindow/form1.h"

#include <QCloseEvent>

namespace tavik {

Form5::Form5(WindowSet &windows)
    : QDialog(nullptr, Qt::Window), ui(std::make_unique<Ui::Form5>()), m_windows(windows)
{
    ui->setupUi(this);
    setFont(dialogFont());
    setModal(true);
    resize(400, 256);
    // The one window that is not centred: its client area opens at a fixed place.
    setGeometry(346, 177, 400, 256);
    connect(ui->Return, &QPushButton::clicked, this, &Form5::Return_Click);
}

Form5::~Form5() = default;

void Form5::Return_Click() { close(); }

void Form5::closeEvent(QCloseEvent *event)
{
    event->accept();
    Form5_Unload();
}

void Form5::Form5_Unload()
{
    // Hidden first, so the main window comes back only once the chooser has
    // stopped being the modal window.
    hide();
    m_windows.form1()->show();
    deleteLater();
}

} // namespace tavik
