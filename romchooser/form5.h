// Form5, the ROM chooser: a modal window opened by "Load ROM". "OK" and the
// close box both unload it.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class Form5;
}

namespace tavik {

class WindowSet;

class Form5 : public QDialog {
    Q_OBJECT

public:
    explicit Form5(WindowSet &windows);
    ~Form5() override;

    Ui::Form5 &controls() { return *ui; }

    void Return_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form5_Unload();

    std::unique_ptr<Ui::Form5> ui;
    WindowSet &m_windows;
};

} // namespace tavik
