// Form3: the readme viewer, a modeless window showing the built-in readme.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class Form3;
}

namespace tavik {

class Form3 : public QWidget {
    Q_OBJECT

public:
    Form3();
    ~Form3() override;

protected:
    // The reader scrolls with the keys straight away.
    void showEvent(QShowEvent *event) override;

private:
    // "Return to Tavik 2.5": hides the window, so the next opening finds the
    // text where the user left it.
    void Command1_Click();

    std::unique_ptr<Ui::Form3> ui;
};

} // namespace tavik
