// The baseline for the start-up measurement: the least a Qt Widgets program
// does to put a frameless window of the splash's size on the screen.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(323, 265);
    window.show();
    return QApplication::exec();
}
