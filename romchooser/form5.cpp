#include "romchooser/form5.h"

#include "ui_form5.h"

#include "appearance/appearance.h"
#include "system/drives.h"
#include "system/folderreading.h"
#include "platform/platform.h"
#include "windowset/windowset.h"

#include <QCloseEvent>
#include <QHideEvent>
#include <QDir>
#include <QSignalBlocker>

namespace tavik {

namespace {

constexpr int mountPointRole = Qt::UserRole;

} // namespace

Form5::Form5(WindowSet &windows, const QString &workingFolder)
    // A dialog of the main window, so that it can be its transient, with the
    // title-bar buttons of a normal resizable window.
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::Form5>()), m_windows(windows)
{
    ui->setupUi(this);
    setFont(dialogFont());
    setModal(true);
    // The one window that is not centred: its client area opens at a fixed place.
    setGeometry(346, 177, 400, 256);

    ui->Dir1->openFoldersThrough(m_windows.platform());
    connect(ui->Drive1, &QComboBox::currentIndexChanged, this, &Form5::Drive1_Change);
    connect(ui->Dir1, &FolderList::changed, this, &Form5::Dir1_Change);
    connect(ui->Dir1, &FolderList::openFailed, this, &Form5::reportUnopenable);
    connect(ui->Dir1, &FolderList::readFailed, this,
            [this](const QString &, const QString &message) { m_windows.platform().showNotice(message); });
    connect(ui->Dir1, &FolderList::filesRead, ui->File1, &FileList::showFiles);
    connect(ui->File1, &FileList::fileClicked, this, &Form5::File1_Click);
    connect(ui->Return, &QPushButton::clicked, this, &Form5::Return_Click);

    // Every opening starts afresh at the working folder, on its drive.
    fillDriveList(workingFolder);
    const QString root = ui->Drive1->currentData(mountPointRole).toString();
    if (const Outcome opened = ui->Dir1->setPath(workingFolder, root); !opened.ok)
        reportUnopenable(workingFolder, opened.reason);
    ui->Dir1->setFocus();
}

Form5::~Form5() = default;

void Form5::fillDriveList(const QString &workingFolder)
{
    const QList<Drive> drives = chooseDrives(mountedFileSystems(), QDir::homePath(), workingFolder);
    const QSignalBlocker quiet(ui->Drive1);
    for (const Drive &drive : drives)
        ui->Drive1->addItem(drive.caption, drive.mountPoint);
    ui->Drive1->setCurrentIndex(static_cast<int>(driveIndexFor(workingFolder, drives)));
}

void Form5::Drive1_Change()
{
    const QString drive = ui->Drive1->currentData(mountPointRole).toString();
    const Outcome opened = ui->Dir1->setPath(drive, drive);
    if (opened.ok)
        return;
    // Back to the drive whose folders are still shown.
    {
        const QSignalBlocker quiet(ui->Drive1);
        ui->Drive1->setCurrentIndex(ui->Drive1->findData(ui->Dir1->root(), mountPointRole));
    }
    reportUnopenable(drive, opened.reason);
}

void Form5::Dir1_Change() { ui->File1->setPath(ui->Dir1->path()); }

void Form5::File1_Click()
{
    emit filePicked(ui->File1->fileName(), ui->File1->path());
}

void Form5::Return_Click() { close(); }

void Form5::reject() { close(); }

void Form5::reportUnopenable(const QString &folder, const QString &reason)
{
    m_windows.platform().showNotice(unopenableFolderMessage(folder, reason));
}

void Form5::closeEvent(QCloseEvent *event)
{
    event->accept();
    Form5_Unload();
}

void Form5::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    // Hidden by the program (unloaded, or every window going at the program's
    // end), not minimised: a folder still being read is of no more use.
    if (!event->spontaneous())
        ui->Dir1->stopReading();
}

void Form5::Form5_Unload()
{
    // Hidden first, so the main window comes back only once the chooser has
    // stopped being the modal window.
    hide();
    m_windows.showMainWindow();
    deleteLater();
}

} // namespace tavik
