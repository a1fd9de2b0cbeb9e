// frmSplash: the logo shown for 1.5 seconds at start, which then hands over to
// the main window. A character key while it shows ends the program instead.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class frmSplash;
}

namespace tavik {

class WindowSet;

class FrmSplash : public QWidget {
    Q_OBJECT

public:
    explicit FrmSplash(WindowSet &windows);
    ~FrmSplash() override;

    // The border drawn around the client area, in pixels.
    static constexpr int borderWidth = 1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void Timer1_Timer();
    // Sets the program's icon, the first time only.
    void setIconOnce();

    std::unique_ptr<Ui::frmSplash> ui;
    // The hand-over timer, a child named "Timer1", so tests can find it.
    QTimer *Timer1;
    WindowSet &m_windows;
    bool m_painted = false;
    bool m_iconSet = false;
};

} // namespace tavik
