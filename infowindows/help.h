// Help: the sizable window that says where to find help, lists the important
// notes and points to a collection of Game Genie codes.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class Help;
}

namespace tavik {

class Help : public QWidget {
    Q_OBJECT

public:
    Help();
    ~Help() override;

private:
    // "OK": only hides the window, so an edit in the address box survives
    // until the window is unloaded.
    void Command1_Click();

    std::unique_ptr<Ui::Help> ui;
};

} // namespace tavik
