// How the program stands with the window system: which window owns each modal
// window and message box, how a blocked main window hands the user back to
// the window that blocks it, which of Qt's platforms the program asks for,
// and what counts as a click on a picture.
#include "app/commandline.h"
#include "app/programwindows.h"
#include "appearance/picturebox.h"
#include "mainwindow/form1.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "support/controls.h"

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <map>

using namespace tavik;

namespace {

// The desktop's own message boxes, owned as in the program; the start fails
// with a reason and nothing sounds.
class DesktopBoxes final : public Platform {
public:
    MessageBoxes boxes;

    void showNotice(const QString &message) override { boxes.showNotice(message); }
    bool askYesNo(const QString &question) override { return boxes.askYesNo(question); }
    Outcome startEmulator(const EmulatorCommand &, const QString &) override
    {
        return Outcome::failed(QStringLiteral("No emulator here"));
    }
    void showEarlyEnd(const QString &report) override { boxes.showEarlyEnd(report); }
    void playSound(const QString &) override {}
};

struct Program {
    DesktopBoxes platform;
    ProgramWindows windows{platform};
    Form1 *form;

    Program() : form(windows.form1())
    {
        platform.boxes.setOwner([this] { return windows.dialogOwner(); });
        windows.showMainWindow();
    }
};

// Opens the named window the way a user does, from the main window's controls.
void open(Form1 *form, const QString &which)
{
    using testing::control;
    const auto click = [form](const char *name) {
        QTest::mouseClick(control(form, QString::fromLatin1(name)), Qt::LeftButton);
    };
    if (which == u"About")
        click("Picture1");
    else if (which == u"ROM chooser")
        click("OpenRomDiagBox");
    else if (which == u"GrIP")
        click("GRIPINFO");
    else if (which == u"notice")
        click("Start"); // no ROM picked yet
    else if (which == u"failure") {
        form->setRomPath(QStringLiteral("game.smc"), QDir::tempPath());
        click("Start");
    } else if (which == u"exit question")
        click("quit");
    else
        QFAIL("no such window");
}

// Opens the named window and, once it blocks the main window, runs `during`
// with it and closes it.
void whileBlocking(Form1 *form, const QString &which, const std::function<void(QWidget *)> &during)
{
    bool ran = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (ran || !modal || modal == form || !modal->isVisible())
            return;
        ran = true;
        poll.stop();
        during(modal);
        modal->close();
    });
    poll.start(10);
    open(form, which);
    QTRY_VERIFY(ran);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(form->takesInput());
}

// Where each window was when it was first shown.
struct PlacesWhenShown : QObject {
    std::map<QObject *, QPoint> at;
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Show && object->isWidgetType() && static_cast<QWidget *>(object)->isWindow())
            at.try_emplace(object, static_cast<QWidget *>(object)->pos());
        return false;
    }
};

void blockingWindows()
{
    QTest::addColumn<QString>("which");
    for (const char *which : {"About", "ROM chooser", "GrIP", "notice", "failure", "exit question"})
        QTest::newRow(which) << QString::fromLatin1(which);
}

} // namespace

class WindowSystemTest : public QObject {
    Q_OBJECT

private slots:
    // Each window that blocks the main window belongs to the main window's
    // own window (not to a hidden leader window), and to it alone.
    void blockingWindowBelongsToTheMainWindow_data() { blockingWindows(); }
    void blockingWindowBelongsToTheMainWindow()
    {
        QFETCH(QString, which);
        Program program;
        QWindow *owner = nullptr;
        QObject *qtParent = program.form;
        whileBlocking(program.form, which, [&](QWidget *modal) {
            owner = modal->windowHandle()->transientParent();
            qtParent = modal->parent();
        });
        QCOMPARE(owner, program.form->windowHandle());
        // GrIP's one owner is the window set; no Qt parent deletes it too.
        if (which == u"GrIP")
            QCOMPARE(qtParent, nullptr);
    }

    // Minimising the window that blocks the main window takes the main window
    // with it; restoring the main window brings the blocking one back with
    // the keys. The user never faces a main window that ignores input while
    // the window that blocks it is out of sight.
    void minimisedBlockingWindowTakesTheMainWindowAlong_data() { blockingWindows(); }
    void minimisedBlockingWindowTakesTheMainWindowAlong()
    {
        QFETCH(QString, which);
        Program program;
        Form1 *form = program.form;
        whileBlocking(form, which, [&](QWidget *modal) {
            modal->showMinimized();
            QTRY_VERIFY(form->isMinimized());
            form->showNormal();
            QTRY_VERIFY(!modal->isMinimized());
            QTRY_COMPARE(QGuiApplication::focusWindow(), modal->windowHandle());
        });
    }

    // A click that activates the blocked main window hands the keys to the
    // window that blocks it.
    void activatingTheBlockedMainWindowFocusesTheBlockingWindow_data() { blockingWindows(); }
    void activatingTheBlockedMainWindowFocusesTheBlockingWindow()
    {
        QFETCH(QString, which);
        Program program;
        Form1 *form = program.form;
        whileBlocking(form, which, [&](QWidget *modal) {
            QTRY_COMPARE(QGuiApplication::focusWindow(), modal->windowHandle());
            QList<QWindow *> focused;
            auto record = QObject::connect(qApp, &QGuiApplication::focusWindowChanged,
                                           [&](QWindow *window) { focused.append(window); });
            form->windowHandle()->requestActivate();
            QTRY_COMPARE(focused, (QList<QWindow *>{form->windowHandle(), modal->windowHandle()}));
            QObject::disconnect(record);
        });
    }

    // A window opens where it stays: its first place allows for the frame
    // last seen around one of the program's windows (here its own, at an
    // earlier opening), so it does not jump once its own frame is known.
    // (The message boxes are placed by Qt itself once shown.)
    void blockingWindowOpensWhereItStays_data()
    {
        QTest::addColumn<QString>("which");
        for (const char *which : {"About", "ROM chooser", "GrIP"})
            QTest::newRow(which) << QString::fromLatin1(which);
    }
    void blockingWindowOpensWhereItStays()
    {
        QFETCH(QString, which);
        Program program;
        whileBlocking(program.form, which, [](QWidget *) { QTest::qWait(200); });
        // The next click comes late enough not to make a double click.
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 200);
        PlacesWhenShown shown;
        qApp->installEventFilter(&shown);
        whileBlocking(program.form, which, [&](QWidget *modal) {
            QTest::qWait(200);
            QCOMPARE(modal->pos(), shown.at[modal]);
        });
    }

    // A main window the user moved stays where it was put when a window
    // that blocked it goes (the chooser shows the main window again).
    void mainWindowKeepsItsPlace_data() { blockingWindows(); }
    void mainWindowKeepsItsPlace()
    {
        QFETCH(QString, which);
        Program program;
        QVERIFY(QTest::qWaitForWindowExposed(program.form));
        const QPoint moved = program.form->pos() + QPoint(37, 23);
        program.form->move(moved);
        whileBlocking(program.form, which, [](QWidget *) {});
        QCOMPARE(program.form->pos(), moved);
    }

    // Emulators that end at once, reported in a quick run (as presses 20 ms
    // apart would), make one box over the window in front, which gathers and
    // counts them; the next report after it opens a box of its own.
    void earlyEndsGatherInOneBox_data()
    {
        QTest::addColumn<QString>("inFront");
        QTest::newRow("the main window") << QString();
        QTest::newRow("the exit question") << QStringLiteral("exit question");
    }
    void earlyEndsGatherInOneBox()
    {
        QFETCH(QString, inFront);
        Program program;
        qsizetype mostBoxes = 0;
        bool reading = false;
        QString text, details;
        QWindow *owner = nullptr;
        QTimer looking;
        QObject::connect(&looking, &QTimer::timeout, [&] {
            QList<QMessageBox *> boxes;
            for (QWidget *window : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(window);
                if (box && box->isVisible() && box->text().startsWith(u"report"))
                    boxes.append(box);
            }
            mostBoxes = std::max(mostBoxes, boxes.size());
            if (boxes.size() == 1 && !reading) {
                reading = true;
                // Once every report due has come in.
                QTest::qWait(100);
                text = boxes[0]->text();
                details = boxes[0]->detailedText();
                owner = boxes[0]->windowHandle()->transientParent();
                boxes[0]->close();
                reading = false;
            }
        });
        looking.start(5);
        const auto report = [&](int count) {
            text.clear();
            for (int i = 1; i <= count; ++i) {
                QMetaObject::invokeMethod(
                    qApp, [&program, i] { program.platform.showEarlyEnd(QStringLiteral("report %1").arg(i)); },
                    Qt::QueuedConnection);
            }
            QTRY_VERIFY(!text.isEmpty());
        };
        QWindow *front = program.form->windowHandle();
        if (inFront.isEmpty()) {
            report(3);
        } else {
            whileBlocking(program.form, inFront, [&](QWidget *modal) {
                front = modal->windowHandle();
                report(3);
            });
        }
        QCOMPARE(mostBoxes, 1);
        QCOMPARE(owner, front);
        QVERIFY2(text.startsWith(u"report 3\n") && text.contains(u"This happened 3 times"), qPrintable(text));
        QCOMPARE(details, QStringLiteral("report 1\n\nreport 2\n\nreport 3"));
        report(1);
        QCOMPARE(text, QStringLiteral("report 1"));
    }

    // The program runs through Xwayland on a Wayland session that offers X,
    // with native Wayland as the fallback, unless the user chose a platform.
    void platformChoice_data()
    {
        QTest::addColumn<QStringList>("environment"); // NAME=value
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected");
        const QStringList plain{"tavik"};
        const QStringList throughX{"tavik", "-platform", "xcb;wayland"};
        QTest::newRow("X session") << QStringList{"DISPLAY=:0"} << plain << plain;
        QTest::newRow("Wayland session with Xwayland")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0"} << plain << throughX;
        QTest::newRow("Wayland session without X") << QStringList{"WAYLAND_DISPLAY=wayland-0"} << plain << plain;
        QTest::newRow("platform chosen in the environment")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0", "QT_QPA_PLATFORM=wayland"} << plain << plain;
        QTest::newRow("platform chosen with two dashes")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0"} << QStringList{"tavik", "--platform", "wayland"}
            << QStringList{"tavik", "--platform", "wayland"};
        QTest::newRow("platform chosen on the command line")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0"} << QStringList{"tavik", "-platform", "wayland"}
            << QStringList{"tavik", "-platform", "wayland"};
        QTest::newRow("empty QT_QPA_PLATFORM is no choice")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0", "QT_QPA_PLATFORM="} << plain << throughX;
        QTest::newRow("other arguments kept after the choice")
            << QStringList{"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:0"} << QStringList{"tavik", "-style", "fusion"}
            << QStringList{"tavik", "-platform", "xcb;wayland", "-style", "fusion"};
    }
    void platformChoice()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        // As qgetenv answers: null when not set, empty but not null when set empty.
        std::map<std::string, std::string> variables;
        for (const QString &entry : environment)
            variables[entry.section(u'=', 0, 0).toStdString()] = entry.section(u'=', 1).toStdString();
        std::vector<QByteArray> storage;
        for (const QString &argument : arguments)
            storage.push_back(argument.toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &argument : storage)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        const std::vector<char *> result =
            withPreferredPlatform(int(storage.size()), argv.data(), [&](const char *name) {
                const auto found = variables.find(name);
                return found == variables.end() ? QByteArray() : QByteArray(found->second.c_str());
            });
        QCOMPARE(result.back(), nullptr);
        QStringList got;
        for (std::size_t i = 0; i + 1 < result.size(); ++i)
            got.append(QString::fromLocal8Bit(result[i]));
        QCOMPARE(got, expected);
    }

    // A click on the picture is a left-button press and its release, both on
    // it; a release alone (after a press elsewhere) is none.
    void pictureClick_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<int>("clicks");
        QTest::newRow("press and release on it") << QStringLiteral("click") << 1;
        QTest::newRow("release alone") << QStringLiteral("release on it") << 0;
        QTest::newRow("press on it, release beside") << QStringLiteral("press on it, release beside") << 0;
        QTest::newRow("right button") << QStringLiteral("right click") << 0;
        QTest::newRow("second release after one press") << QStringLiteral("click, release again") << 1;
    }
    void pictureClick()
    {
        QFETCH(QString, gesture);
        QFETCH(int, clicks);
        PictureBox picture;
        picture.resize(135, 101);
        picture.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picture));
        QSignalSpy clicked(&picture, &PictureBox::clicked);
        const QPoint inside(60, 50);
        const QPoint outside(200, 50);
        if (gesture == u"click") {
            QTest::mouseClick(&picture, Qt::LeftButton, {}, inside);
        } else if (gesture == u"release on it") {
            QTest::mouseRelease(&picture, Qt::LeftButton, {}, inside);
        } else if (gesture == u"press on it, release beside") {
            QTest::mousePress(&picture, Qt::LeftButton, {}, inside);
            QTest::mouseRelease(&picture, Qt::LeftButton, {}, outside);
        } else if (gesture == u"right click") {
            QTest::mouseClick(&picture, Qt::RightButton, {}, inside);
        } else if (gesture == u"click, release again") {
            QTest::mouseClick(&picture, Qt::LeftButton, {}, inside);
            QTest::mouseRelease(&picture, Qt::LeftButton, {}, inside);
        }
        QCOMPARE(clicked.count(), clicks);
    }
};

QTEST_MAIN(WindowSystemTest)
#include "test_window_system.moc"
