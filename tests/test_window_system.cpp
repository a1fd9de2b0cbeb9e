// How the program stands with the window system: which window owns each modal
// window and message box, how a blocked main window hands the user back to
// the window that blocks it, what a message box shows and whether it fits the
// screen, how the command line is read beside Qt's own options, which of
// Qt's platforms the program asks for, and what counts as a click on a
// picture.
#include "app/commandline.h"
#include "app/programwindows.h"
#include "appearance/appearance.h"
#include "appearance/picturebox.h"
#include "mainwindow/form1.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "support/controls.h"
#include "support/fakeemulator.h"
#include "system/givenfile.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QProxyStyle>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstring>
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
    Outcome startEmulator(const EmulatorCommand &, const QString &runFolder) override
    {
        return Outcome::failed(QStringLiteral("No emulator in %1").arg(runFolder));
    }
    void showEarlyEnd(const QString &report) override { boxes.showEarlyEnd(report); }
    void playSound(const QString &) override {}
};

struct Program {
    DesktopBoxes platform;
    ProgramWindows windows{platform};
    Form1 *form = nullptr;

    Program()
    {
        platform.boxes.setOwner([this] { return windows.dialogOwner(); });
        windows.showMainWindow();
        form = testing::loadedWindow<Form1>();
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

// Opens a window with `opening` (or the named one) and, once it blocks the
// main window, runs `during` with it and closes it.
void whileBlocking(Form1 *form, const std::function<void()> &opening, const std::function<void(QWidget *)> &during)
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
    opening();
    QTRY_VERIFY(ran);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(form->takesInput());
}
void whileBlocking(Form1 *form, const QString &which, const std::function<void(QWidget *)> &during)
{
    whileBlocking(form, [&] { open(form, which); }, during);
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

// Whether `widget` lies on its screen, frame and all.
bool onScreen(const QWidget *widget)
{
    const QRect available = widget->screen()->availableGeometry();
    const QRect frame = widget->isWindow() ? widget->frameGeometry()
                                           : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    return available.contains(frame);
}

// A copy of this test program run as the program (`programCopyOption`, then
// the arguments in hex): what Qt takes out of them and what is read from what
// it leaves, as the program's start does. It prints what Qt left, what
// withoutQtOptions() left, the file's bytes (in hex), "found" when it is a
// ROM, and the style and direction the application took, one to a line.
constexpr const char *programCopyOption = "--as-the-program";

int runAsTheProgram(int argc, char *argv[])
{
    std::vector<QByteArray> words;
    for (int i = 0; i < argc; ++i)
        words.push_back(QByteArray::fromHex(argv[i]));
    std::vector<char *> arguments;
    for (QByteArray &word : words)
        arguments.push_back(word.data());
    arguments.push_back(nullptr);
    int count = argc;
    QString style;
    const QStringList early = withoutQtOptions(argumentsOf(count, arguments.data()), qgetenv("QT_QPA_PLATFORM"), &style);
    QApplication app(count, arguments.data());
    setUpStyleAndFaces(style);
    const QStringList left = argumentsOf(count, arguments.data());
    const QString file = readCommandLine(left).file;
    const auto hex = [](const QStringList &list) {
        QByteArrayList out;
        for (const QString &argument : list)
            out.append(fileNameToBytes(argument).toHex());
        return out.join(' ');
    };
    const QStyle *taken = QApplication::style();
    QByteArray look = qobject_cast<const QProxyStyle *>(taken) ? QByteArray("classic")
                      : taken->name().isEmpty()                ? QByteArray(taken->metaObject()->className())
                                                               : taken->name().toLower().toLatin1();
    if (QApplication::layoutDirection() == Qt::RightToLeft)
        look += ", right to left";
    const bool found = !file.isEmpty() && lookAtGivenFile(file).kind == GivenFile::Kind::Rom;
    std::printf("%s\n%s\n%s\n%s\n%s\n", hex(left).constData(), hex(early).constData(),
                fileNameToBytes(file).toHex().constData(), found ? "found" : "", look.constData());
    return 0;
}

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
    // apart would), make one box over the window in front, which shows the
    // first, counts them all and holds each in its details; the next report
    // after it opens a box of its own.
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
        QString text, count, details;
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
                count = boxes[0]->informativeText();
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
                    qApp, [&program, i] { program.platform.showEarlyEnd(QStringLiteral("report %1 (%1)").arg(i)); },
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
        QCOMPARE(text, QStringLiteral("report 1 (1)"));
        QVERIFY2(count.startsWith(u"This happened 3 times"), qPrintable(count));
        QCOMPARE(details, QStringLiteral("report 1 (1)\n\nreport 2 (2)\n\nreport 3 (3)"));
        report(1);
        QCOMPARE(text, QStringLiteral("report 1 (1)"));
        QCOMPARE(count, QString());
    }

    // Every message box that names something shows its text as given, never
    // as markup, and fits the screen it is on with its buttons, also with its
    // details opened: a name too long for it is cut in its middle, its start
    // and its end kept, and the whole text is in the details.
    void messageBoxText_data()
    {
        QTest::addColumn<QString>("road"); // how the box comes up
        QTest::addColumn<QString>("name");
        QString path = QStringLiteral("/tmp");
        while (path.size() < 100'000)
            path += QStringLiteral("/folder%1").arg(path.size() / 11, 4, 10, QLatin1Char('0'));
        QStringList lines;
        for (int i = 0; i < 300; ++i)
            lines.append(QStringLiteral("line %1.smc").arg(i));
        QTest::newRow("given file, markup") << "given file" << "<b>missing <u>U.smc";
        QTest::newRow("start failure, markup") << "start failure" << "/roms/<i>A&amp;B</i>";
        QTest::newRow("early end, markup") << "early end" << "<img src=\"x.png\">";
        QTest::newRow("given file, 100 KB path") << "given file" << path + QStringLiteral("/game.smc");
        QTest::newRow("given file, 255 letters") << "given file" << QString(255, u'W') + QStringLiteral(".smc");
        QTest::newRow("given file, 300 lines") << "given file" << lines.join(u'\n');
        QTest::newRow("early end, 100 KB path") << "early end" << path;
    }
    void messageBoxText()
    {
        QFETCH(QString, road);
        QFETCH(QString, name);
        Program program;
        QVERIFY(QTest::qWaitForWindowExposed(program.form));
        const QString text = road == u"given file"      ? lookAtGivenFile(name).message
                             : road == u"start failure" ? QStringLiteral("No emulator in ") + name
                                                        : name;
        const auto opening = [&] {
            if (road == u"given file") {
                program.form->openGivenFile(name);
            } else if (road == u"start failure") {
                program.form->setRomPath(QStringLiteral("game.smc"), name);
                QTest::mouseClick(testing::control<QPushButton>(program.form, QStringLiteral("Start")), Qt::LeftButton);
            } else {
                program.platform.showEarlyEnd(text);
            }
        };
        whileBlocking(program.form, opening, [&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            QCOMPARE(box->textFormat(), Qt::PlainText);
            const bool whole = name.size() < 100;
            QVERIFY2(box->text().contains(name.left(8)) && box->text().contains(name.right(8)), qPrintable(box->text()));
            QCOMPARE(box->text() == text, whole);
            QVERIFY(whole || box->text().contains(u'\u2026'));
            // Of many lines, the middle ones give way, the first and the last
            // (what happened, and why) stay whole.
            if (text.contains(u'\n'))
                QVERIFY2(box->text().startsWith(text.section(u'\n', 0, 0) + u'\n')
                             && box->text().endsWith(u'\n' + text.section(u'\n', -1)),
                         qPrintable(box->text()));
            QCOMPARE(box->detailedText(), whole ? QString() : text);
            const QRect available = box->screen()->availableGeometry();
            QTRY_VERIFY(onScreen(box));
            const QList<QAbstractButton *> buttons = box->buttons();
            for (QAbstractButton *button : buttons) {
                QVERIFY(onScreen(button));
                if (box->buttonRole(button) != QMessageBox::ActionRole)
                    continue;
                // Put half past the screen's right edge, the box comes back
                // whole as its details open, with its title bar on the
                // screen also where the box is taller than it.
                const QPoint halfOff(available.right() - box->frameGeometry().width() / 2, box->y());
                box->move(halfOff);
                QTRY_COMPARE(box->pos(), halfOff);
                button->click(); // the details open
                QTRY_VERIFY(box->frameGeometry().right() <= available.right());
                QVERIFY(available.contains(box->frameGeometry().topLeft()));
                for (const QAbstractButton *other : buttons)
                    QTRY_VERIFY(onScreen(other));
                // The whole box, where the screen leaves room for the text
                // beside the details (480 pixels high, say).
                QVERIFY(available.height() < 400 || onScreen(box));
            }
            // Return answers the box, whatever it holds.
            QTest::keyClick(box, Qt::Key_Return);
            QTRY_VERIFY(!box->isVisible());
            QVERIFY(box->clickedButton() && box->buttonRole(box->clickedButton()) != QMessageBox::ActionRole);
        });
    }

    // The same boxes on a small screen, at a scale of 1 and of 2, and on a
    // large one, with a frame around each window: each row runs
    // messageBoxText in a copy of this program on such a screen.
    void messageBoxTextOnOtherScreens_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QString>("scale");
        QTest::newRow("640x480") << QSize(640, 480) << QStringLiteral("1");
        QTest::newRow("640x480 at a scale of 2") << QSize(640, 480) << QStringLiteral("2");
        QTest::newRow("1280x1024") << QSize(1280, 1024) << QStringLiteral("1");
    }
    void messageBoxTextOnOtherScreens()
    {
        QFETCH(QSize, screen);
        QFETCH(QString, scale);
        testing::TemporaryFolder folder;
        QFile config(folder.filePath(QStringLiteral("screen.json")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": %1, "height": %2}], )"
                                    R"("windowFrameMargins": true})")
                         .arg(screen.width())
                         .arg(screen.height())
                         .toUtf8());
        config.close();
        QProcess copy;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config.fileName());
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
        copy.setProcessEnvironment(environment);
        copy.setProcessChannelMode(QProcess::MergedChannels);
        copy.start(QCoreApplication::applicationFilePath(), {QStringLiteral("messageBoxText")});
        QVERIFY(copy.waitForFinished(120'000));
        const QByteArray output = copy.readAll();
        QVERIFY2(copy.exitStatus() == QProcess::NormalExit && copy.exitCode() == 0,
                 output.mid(std::max(qsizetype(0), output.indexOf("FAIL!"))).left(2000).constData());
    }

    // The command line is read before the application object is built, with
    // Qt's own options set aside as Qt then takes them out (in its passes and
    // their order, each with its value); a name that is not UTF-8 reaches the
    // program byte for byte and is found, in every locale; Qt takes the style
    // and the direction asked for. Each row runs a copy of this program as
    // the program (see runAsTheProgram()), under LANG=`locale` and with no
    // platform chosen in the environment (the X options are Qt's by default).
    void qtTakesWhatWasSetAside_data()
    {
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QByteArrayList>("left"); // what Qt leaves
        QTest::addColumn<QByteArray>("file");     // as read from it
        QTest::addColumn<QByteArray>("look");
        const QByteArray latin1 = "@/Pok\xe9mon.smc", game = "GAME.SMC"; // "@": a temporary folder
        const auto row = [](const char *name, QByteArrayList arguments, const char *locale,
                            const QByteArrayList &left, const QByteArray &file, const char *look) {
            QTest::newRow(name) << arguments + QByteArrayList{"-platform", "offscreen"} << QByteArray(locale) << left
                                << file << QByteArray(look);
        };
        row("C: Latin-1 name", {latin1}, "C", {latin1}, latin1, "classic");
        row("C.UTF-8: Latin-1 name", {latin1}, "C.UTF-8", {latin1}, latin1, "classic");
        row("style, reversed", {"-style", "Fusion", "-reverse", latin1}, "C", {latin1}, latin1, "fusion, right to left");
        row("style sheet", {"-stylesheet", "x.qss", game}, "C.UTF-8", {game}, game, "QStyleSheetStyle");
        row("style sheet, joined", {"-stylesheet=x.qss", game}, "C", {game}, game, "QStyleSheetStyle");
        row("a style Qt does not have, last", {game, "--style=none"}, "C", {game}, game, "classic");
        row("the style's value missing", {game, "-style"}, "C", {game, "-style"}, "", "classic");
        row("a session named like an option", {"-session", "-style", game, "-qmljsdebugger"}, "C",
            {game, "-qmljsdebugger"}, "", "classic");
        row("X's title before another platform", {"-title", "T", "-platform", "offscreen", "-display", ":9"}, "C",
            {"-display", ":9"}, "", "classic");
    }
    void qtTakesWhatWasSetAside()
    {
        QFETCH(QByteArrayList, arguments);
        QFETCH(QByteArray, locale);
        QFETCH(QByteArrayList, left);
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, look);
        testing::TemporaryFolder folder;
        const QByteArray root = QFile::encodeName(QFileInfo(folder.path()).canonicalFilePath());
        QStringList words{QString::fromLatin1(programCopyOption), QStringLiteral("746176696b")}; // "tavik"
        for (QByteArray &argument : arguments) {
            argument.replace('@', root);
            words.append(QString::fromLatin1(argument.toHex()));
            if (argument.startsWith(root))
                testing::makeByBytes(fileNameFromBytes(argument), false);
        }
        QProcess copy;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("LC_ALL"));
        environment.remove(QStringLiteral("LC_CTYPE"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("LANG"), QString::fromLatin1(locale));
        copy.setProcessEnvironment(environment);
        copy.start(QCoreApplication::applicationFilePath(), words);
        QVERIFY(copy.waitForFinished(60'000) && copy.exitCode() == 0);
        QByteArrayList expected{"746176696b"};
        for (const QByteArray &argument : std::as_const(left))
            expected.append(QByteArray(argument).replace('@', root).toHex());
        // What Qt left, what was set aside before it, the file, whether it
        // was found, the look.
        QCOMPARE(copy.readAllStandardOutput(),
                 QByteArrayList({expected.join(' '), expected.join(' '), file.replace('@', root).toHex(),
                                 file.startsWith(root) ? "found" : "", look, ""})
                     .join('\n'));
    }

    // Without a display the program answers its command line all the same,
    // on the stream it belongs on, with status 0 or 1; an answer that cannot
    // be written (here to a full disk) ends with 1 and says so.
    void programAnswersWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("full"); // standard output to /dev/full
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("said"); // the start of the one stream written
        QTest::newRow("help") << QStringList{"-platformtheme", "x", "-h"} << false << 0
                              << QByteArray("Usage: tavik [options] [FILE]\n");
        QTest::newRow("unknown option") << QStringList{"-style", "fusion", "--bogus"} << false << 1
                                        << QByteArray("tavik: Unknown option 'bogus'.\nTry 'tavik --help'");
        QTest::newRow("two files") << QStringList{"a.smc", "b.smc"} << false << 1
                                   << QByteArray("tavik: one file at most, not 2\nTry 'tavik --help'");
        QTest::newRow("version to a full disk")
            << QStringList{"--version"} << true << 1
            << QByteArray("tavik: the answer could not be written: No space left on device\n");
    }
    void programAnswersWithoutDisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, full);
        QFETCH(int, status);
        QFETCH(QByteArray, said);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        if (full)
            program.setStandardOutputFile(QStringLiteral("/dev/full"));
        program.start(QStringLiteral(TAVIK_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(60'000) && program.exitStatus() == QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const QByteArray output = program.readAllStandardOutput(), errors = program.readAllStandardError();
        QVERIFY2((status == 0 ? output : errors).startsWith(said) && (status == 0 ? errors : output).isEmpty(),
                 (output + errors).constData());
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

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], programCopyOption) == 0)
        return runAsTheProgram(argc - 2, argv + 2);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    WindowSystemTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_window_system.moc"
