#include "mainwindow/form1.h"

#include "ui_form1.h"

#include "appearance/appearance.h"
#include "appearance/picturebox.h"
#include "launch/launchpress.h"
#include "platform/platform.h"
#include "system/givenfile.h"
#include "windowset/windowset.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyle>

namespace tavik {
namespace {

// A check box draws its caption on one line; this one's caption is a short
// paragraph. A word-wrapped label beside the box draws it instead, and a click
// on it toggles the box as a click on a caption does.
class WrappedCaption : public QLabel {
public:
    explicit WrappedCaption(QCheckBox *box) : QLabel(box->text(), box), m_box(box)
    {
        setWordWrap(true);
        // A caption's colour, not the button text colour the box would hand down.
        setForegroundRole(QPalette::WindowText);
        const int indicator = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box)
                              + box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
        setGeometry(indicator, 0, box->width() - indicator, box->height());
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        box->setAccessibleName(box->text());
        box->setText(QString());
    }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && m_box->isEnabled())
            m_box->click();
    }

private:
    QCheckBox *m_box;
};

void wrapCheckBoxCaption(QCheckBox *box) { new WrappedCaption(box); }

// The one local file a drag carries, as its file: URL; empty when it carries
// anything else (several items, a web address, only text). A line of the list
// that begins with '#' is a comment.
QUrl singleLocalFile(const QMimeData *data)
{
    QList<QUrl> urls = data->urls();
    urls.removeIf([](const QUrl &url) { return url.toString().startsWith(u'#'); });
    return urls.size() == 1 && isLocalFileUrl(urls.front()) ? urls.front() : QUrl();
}

// A ROM is only ever read: the drop is taken as a copy (or a link), never as
// a move, after which the source could delete its file.
bool acceptAsCopy(QDropEvent *event)
{
    for (const Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (event->possibleActions() & action) {
            event->setDropAction(action);
            event->accept();
            return true;
        }
    }
    event->ignore();
    return false;
}

} // namespace

Form1::Form1(WindowSet &windows)
    : QWidget(nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::Form1>()), m_windows(windows)
{
    ui->setupUi(this);
    setFont(dialogFont());
    setFixedSize(678, 372);
    // Black window and panels; captions white on black, fields as the desktop draws them.
    paintWhiteOnBlack(this);
    paintFieldWhiteOnBlack(ui->SoundBuffersize);
    paintFieldWhiteOnBlack(ui->cmbSoundPlbk);
    for (const auto &[button, panel] : panels()) {
        paintBlackBackground(panel);
        panel->hide();
    }
    // The ROM field opens on its no-ROM marker; the combo boxes list the
    // texts the launch core knows, and open on a text that is none of them.
    ui->ROMLOAD->setText(romPlaceholder);
    ui->cmbVideo->addItems(videoModeTexts());
    ui->cmbSoundPlbk->addItems(playbackRateTexts());
    ui->cmbVideo->setCurrentIndex(-1);
    ui->cmbVideo->setEditText(initialVideoText);
    ui->cmbSoundPlbk->setCurrentIndex(-1);
    ui->cmbSoundPlbk->setEditText(initialPlaybackText);

    wrapCheckBoxCaption(ui->int2);
    nameForScreenReaders();

    connect(ui->Picture1, &PictureBox::clicked, this, &Form1::Picture1_Click);
    connect(ui->Start, &QPushButton::clicked, this, &Form1::Start_Click);
    connect(ui->quit, &QPushButton::clicked, this, &Form1::quit_Click);
    connectPanelNavigation();
    connectInterlocks();
    ui->ROMLOAD->setFocus();
    // A file is taken wherever on the window it is dropped, the text fields
    // included, which would otherwise take its address as text.
    setAcceptDrops(true);
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
    Form1_Load();
}

Form1::~Form1() = default;

// Screen readers name a field or slider after the label that describes it,
// the code fields and their boxes, whose visible captions say nothing, after
// their entry number, and each option panel after the button that shows it,
// which they announce as the focus enters the panel.
void Form1::nameForScreenReaders()
{
    for (const auto &[button, panel] : panels())
        panel->setAccessibleName(tr("%1 options").arg(button->text()));
    ui->Label3->setBuddy(ui->ROMLOAD);
    ui->Label10->setBuddy(ui->SoundBuffersize);
    ui->Label12->setBuddy(ui->Scanlines);
    ui->Label1->setBuddy(ui->SoundRatio);
    ui->Label8->setBuddy(ui->Frameskip);
    ui->List1->setAccessibleName(ui->List1->item(0)->text());
    // The combo boxes open on a text that says what they hold; it names them
    // and their typing fields after the user has chosen another.
    for (QComboBox *combo : {ui->cmbVideo, ui->cmbSoundPlbk}) {
        combo->setAccessibleName(combo->currentText());
        combo->lineEdit()->setAccessibleName(combo->currentText());
    }
    ui->Picture1->setAccessibleName(tr("Tavik logo"));
    ui->Picture1->setAccessibleDescription(tr("Shows who made Tavik"));
    int number = 0;
    for (const auto &[box, field] : codeEntries()) {
        ++number;
        field->setAccessibleName(tr("Cheat code %1").arg(number));
        box->setAccessibleName(tr("Use cheat code %1").arg(number));
    }
}

std::array<std::pair<QCheckBox *, QLineEdit *>, 10> Form1::codeEntries() const
{
    return {{{ui->Code1On, ui->GCode1},
             {ui->Code2ON, ui->GCode2},
             {ui->Code3ON, ui->GCode3},
             {ui->Code4ON, ui->GCode4},
             {ui->Code5ON, ui->GCode5},
             {ui->Code6ON, ui->GCode6},
             {ui->Code7ON, ui->GCode7},
             {ui->Code8ON, ui->GCode8},
             {ui->Code9ON, ui->GCode9},
             {ui->Code10ON, ui->GCode10}}};
}

void Form1::Form1_Load()
{
    m_videoModeSwitch = initialVideoModeSwitch;
}

void Form1::setRomPath(const QString &fileName, const QString &folder)
{
    ui->ROMLOAD->setText(fileName);
    m_romFolder = folder;
}

void Form1::openGivenFile(const QString &given)
{
    const GivenFile file = lookAtGivenFile(given);
    switch (file.kind) {
    case GivenFile::Kind::Rom:
        setRomPath(file.fileName, file.folder);
        break;
    case GivenFile::Kind::Folder:
        m_windows.showRomChooserModalAt(file.folder);
        break;
    case GivenFile::Kind::Refused:
        m_windows.platform().showNotice(file.message);
        break;
    }
}

// Drags are answered here for the window and all its controls. While the
// window takes no click it takes no drop either; a single local file is
// taken as a copy; any other drag of items is refused, and a drag of bare
// text is left to the text field under it. A move keeps the answer its entry
// had, which Qt hands on to it.
bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QWidget::eventFilter(watched, event);
    auto *drag = static_cast<QDropEvent *>(event);
    const QMimeData *data = drag->mimeData();
    if (watched != this && takesInput() && data != nullptr && !data->hasUrls())
        return false;
    if (type == QEvent::DragMove && takesInput())
        return true;
    const QUrl file = takesInput() && data != nullptr ? singleLocalFile(data) : QUrl();
    if (file.isEmpty() || !acceptAsCopy(drag))
        drag->ignore();
    else if (type == QEvent::Drop)
        // Once the drop has been answered: the source waits for the answer,
        // and a message box or the chooser would keep it waiting. Not when a
        // modal window has come up meanwhile, which would then have another over it.
        QMetaObject::invokeMethod(
            this,
            [this, given = file.toString(QUrl::FullyEncoded)] {
                if (takesInput())
                    openGivenFile(given);
            },
            Qt::QueuedConnection);
    return true;
}

LaunchSettings Form1::readLaunchSettings() const
{
    LaunchSettings s;
    s.cmbVideo = ui->cmbVideo->currentText();
    s.Hires = ui->Hires->isChecked();
    s.Trans = ui->Trans->isChecked();
    s.Sixteenbit = ui->Sixteenbit->isChecked();
    s.ScreenScale = ui->ScreenScale->isChecked();
    s.Frameskip = ui->Frameskip->value();
    s.DisableSound = ui->DisableSound->isChecked();
    s.StereoSound = ui->StereoSound->isChecked();
    s.StereoSoundEnabled = ui->StereoSound->isEnabled();
    s.NoMasterVol = ui->NoMasterVol->isChecked();
    s.JoystickKind = ui->Joy4->isChecked()   ? JoystickKindChoice::Joy4
                     : ui->Joy6->isChecked() ? JoystickKindChoice::Joy6
                     : ui->Joy8->isChecked() ? JoystickKindChoice::Joy8
                     : ui->JoyS->isChecked() ? JoystickKindChoice::JoyS
                                             : JoystickKindChoice::None;
    s.NoJoy = ui->NoJoy->isChecked();
    s.NoSoundEcho = ui->NoSoundEcho->isChecked();
    s.SoundRatio = ui->SoundRatio->value();
    s.cmbSoundPlbk = ui->cmbSoundPlbk->currentText();
    s.NoSampleCaching = ui->NoSampleCaching->isChecked();
    s.Scanlines = ui->Scanlines->text();
    s.int2 = ui->int2->isChecked();
    s.CheatOn = ui->CheatOn->isChecked();
    s.Cartridge = ui->GameGenie->isChecked()      ? CartridgeChoice::GameGenie
                  : ui->GoldFinger->isChecked()   ? CartridgeChoice::GoldFinger
                  : ui->ActionReplay->isChecked() ? CartridgeChoice::ActionReplay
                                                  : CartridgeChoice::None;
    static_assert(std::tuple_size_v<decltype(codeEntries())> == std::tuple_size_v<decltype(s.CheatCodes)>);
    std::size_t i = 0;
    for (const auto &[box, field] : codeEntries())
        s.CheatCodes[i++] = {box->isChecked(), field->text()};
    s.SoundBuffersize = ui->SoundBuffersize->text();
    s.ROMLOAD = ui->ROMLOAD->text();
    return s;
}

void Form1::Start_Click()
{
    const LaunchPress press = runLaunchPress(readLaunchSettings(), m_videoModeSwitch);
    m_videoModeSwitch = press.videoModeSwitch;
    Platform &platform = m_windows.platform();
    for (const QString &notice : press.notices)
        platform.showNotice(notice);
    const Outcome started =
        press.command ? platform.startEmulator(*press.command, m_romFolder) : Outcome::failed(press.refusal);
    if (!started.ok)
        platform.showNotice(started.reason);
}

void Form1::quit_Click()
{
    if (m_windows.platform().askYesNo(QStringLiteral("Do you want to quit?")))
        close();
}

void Form1::Picture1_Click()
{
    m_windows.showAboutModal();
    m_windows.platform().playSound(QStringLiteral("qblaster.wav"));
}

bool Form1::takesInput() const
{
    const QWidget *modal = QApplication::activeModalWidget();
    return isEnabled() && (modal == nullptr || modal == this);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // A close request while a modal window or the GrIP dialog is up is
    // refused outright, not kept for later.
    if (!takesInput()) {
        event->ignore();
        return;
    }
    event->accept();
    Form1_Unload();
}

void Form1::Form1_Unload()
{
    m_windows.endProgram();
}

} // namespace tavik
