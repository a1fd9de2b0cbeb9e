// The baseline for the start-up measurement: the least a Qt Widgets program
// does to put a frameless window of the splash's size on the screen with one
// line of text in the splash's face (Tahoma 8.25 pt, added from its file as
// the launcher adds it). The text makes the baseline pay what any window with
// text pays the machine (fontconfig's configuration and cache, the face
// files), so that the ratio measures the launcher rather than the machine.
#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QString>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    QFont face(QStringLiteral("Tahoma"));
    face.setPointSizeF(8.25);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(323, 265);
    QLabel label(QStringLiteral("Copyright (C) 1998 Tavik Software"), &window);
    label.setFont(face);
    label.setAlignment(Qt::AlignCenter);
    label.setGeometry(80, 248, 185, 17);
    window.show();
    return QApplication::exec();
}
