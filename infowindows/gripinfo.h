// Dialogbox1: the GrIP information dialog, explaining how to play with a
// Gravis GamePad Pro through GrIP. The window set shows it modal to the window
// it belongs to (the main window) and to no other: while it shows, the main
// window takes no input, yet keeps its look, and Help and the readme stay
// usable; whichever way the dialog goes, the main window gets its input back.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class dialogbox1;
}

namespace tavik {

class Dialogbox1 : public QWidget {
    Q_OBJECT

public:
    Dialogbox1();
    ~Dialogbox1() override;

protected:
    // The close box and Alt+F4 end here; they must not leave the main window
    // disabled behind a dialog that is gone.
    void closeEvent(QCloseEvent *event) override;
    // Escape leaves the dialog the same way as the close box.
    void keyPressEvent(QKeyEvent *event) override;

private:
    // "Return to Tavik": hides the dialog, which gives the main window its
    // input back, so the two are never usable at the same time.
    void Command1_Click();

    void returnToMainWindow();

    std::unique_ptr<Ui::dialogbox1> ui;
};

} // namespace tavik
