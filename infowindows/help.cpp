// The Help window's set-up and its one button.
#include "infowindows/help.h"

#include "ui_help.h"

#include "appearance/appearance.h"

#include <QPalette>

namespace tavik {

Help::Help()
    : QWidget(nullptr, Qt::Window), ui(std::make_unique<Ui::Help>())
{
    ui->setupUi(this);
    // The close box unloads the window; the next opening builds it afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(dialogFont());

    // The address box looks like part of the window rather than an input
    // field: it takes the button face colour of the current style.
    QPalette addressPalette = ui->Text1->palette();
    addressPalette.setColor(QPalette::Base, addressPalette.color(QPalette::Button));
    ui->Text1->setPalette(addressPalette);

    // The controls sit at fixed places; widening the window only uncovers the
    // end of the longest note.
    resize(491, 246);
    connect(ui->Command1, &QPushButton::clicked, this, &Help::Command1_Click);
    centreOnScreen(this);
}

Help::~Help() = default;

void Help::Command1_Click()
{
    hide();
}

} // namespace tavik
