// About: the credits window, shown modally from the main window's logo.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class About;
}

namespace tavik {

class About : public QDialog {
    Q_OBJECT

public:
    About();
    ~About() override;

protected:
    // The close box unloads the window; its button only hides it. Not by
    // Qt::WA_DeleteOnClose: exec() would then delete the window after its button too.
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<Ui::About> ui;
};

} // namespace tavik
