// Program start: the application object and the event loop.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavik 2.5"));

    QWidget mainWindow;
    mainWindow.setWindowTitle(QStringLiteral("Tavik for SNES9x 2.5"));
    mainWindow.setFixedSize(678, 372);
    mainWindow.show();
    return QApplication::exec();
}
