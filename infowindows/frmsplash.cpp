#include "infowindows/frmsplash.h"

#include "ui_frmsplash.h"

#include "appearance/appearance.h"
#include "windowset/windowset.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

namespace tavik {

FrmSplash::FrmSplash(WindowSet &windows)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), ui(std::make_unique<Ui::frmSplash>()),
      Timer1(new QTimer(this)), m_windows(windows)
{
    ui->setupUi(this);
    setFont(dialogFont());
    // No title bar, so the window draws its own thin fixed border around the
    // 321 x 263 client area.
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        child->move(child->pos() + QPoint(borderWidth, borderWidth));
    setFixedSize(321 + 2 * borderWidth, 263 + 2 * borderWidth);
    setFocusPolicy(Qt::StrongFocus);
    // Key preview: the window sees every key before any of its controls.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1500);
    connect(Timer1, &QTimer::timeout, this, &FrmSplash::Timer1_Timer);
    Timer1->start();
    centreOnScreen(this);
}

FrmSplash::~FrmSplash() = default;

void FrmSplash::Timer1_Timer()
{
    // Normally set long since, just after the first frame.
    setIconOnce();
    // The main window shows before the splash goes, so a window is always up.
    m_windows.showMainWindow();
    hide();
    Timer1->stop();
}

void FrmSplash::setIconOnce()
{
    if (m_iconSet)
        return;
    m_iconSet = true;
    setUpWindowIcon();
}

void FrmSplash::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    // The frameless splash shows no icon; the program's icon, which only the
    // later windows show, is set once the first frame is on the screen.
    if (!m_painted) {
        m_painted = true;
        QTimer::singleShot(0, this, [this] { setIconOnce(); });
    }
}

bool FrmSplash::eventFilter(QObject *watched, QEvent *event)
{
    // Only keys that produce a character count: letters, digits, Enter,
    // Escape, Backspace. Arrows, Shift and function keys carry no text.
    if (event->type() == QEvent::KeyPress && isVisible() && !static_cast<QKeyEvent *>(event)->text().isEmpty()) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FrmSplash::closeEvent(QCloseEvent *event)
{
    event->accept();
    Timer1->stop();
    deleteLater();
    // Closed before the hand-over, the splash was the only window.
    if (!m_windows.isMainWindowLoaded())
        m_windows.endProgram();
}

} // namespace tavik
