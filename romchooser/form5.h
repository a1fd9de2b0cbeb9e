// Form5, the ROM chooser: a modal window opened by "Load ROM". Picking a file
// writes its bare name into the main window's ROM field; "OK" and the close
// box both unload it. It opens at the working folder it is given.
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
    // `workingFolder`: where the lists start, the launcher's working folder
    // (by the path it had when it has been deleted; empty when even that is
    // unknown) or the folder the program was given.
    Form5(WindowSet &windows, const QString &workingFolder);
    ~Form5() override;

    // Escape closes the chooser the way the close box does.
    void reject() override;

signals:
    // A file was selected: its bare name, and the folder it lies in.
    void filePicked(const QString &fileName, const QString &folder);

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void Return_Click();
    void Form5_Unload();
    void fillDriveList(const QString &workingFolder);
    void reportUnopenable(const QString &folder, const QString &reason);

    std::unique_ptr<Ui::Form5> ui;
    WindowSet &m_windows;
};

} // namespace tavik
