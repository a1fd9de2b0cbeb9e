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

#include <unistd.h>

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

// Runs `show`, which shows a message box, and `during` with the box once it
// is up; then closes the box.
void whileBoxShows(const std::function<void()> &show, const std::function<void(QMessageBox *)> &during)
{
    bool ran = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (ran || !box || !box->isVisible())
            return;
        ran = true;
        poll.stop();
        during(box);
        box->close();
    });
    poll.start(10);
    show();
    QTRY_VERIFY(ran);
}

// Whether `widget` lies on its screen, frame and all.
bool onScreen(const QWidget *widget)
{
    const QRect available = widget->screen()->availableGeometry();
    const QRect frame = widget->isWindow() ? widget->frameGeometry()
                                           : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    return available.contains(frame);
}

// The program read as its start reads it: what Qt takes (in a copy of this
// test program that builds the application from `arguments`, under
// `environment`), and what is read from what it left. The copy answers with
// the arguments Qt left and those withoutQtOptions() left, the bytes of the
// file read from them and whether it was found, and the style and the
// direction the application took.
constexpr const char *programCopyOption = "--as-the-program";

// The program's own classic style, a style Qt has by its name, or one that
// wraps another by its class (a style sheet's).
QString styleName(const QStyle *style)
{
    if (qobject_cast<const QProxyStyle *>(style))
        return QStringLiteral("classic");
    return style->name().isEmpty() ? QString::fromLatin1(style->metaObject()->className()) : style->name().toLower();
}

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
    const QStringList early =
        withoutQtOptions(argumentsOf(count, arguments.data()), qgetenv("QT_QPA_PLATFORM"), &style);
    QApplication app(count, arguments.data());
    setUpStyleAndFaces(style);
    const QStringList left = argumentsOf(count, arguments.data());
    const CommandLine line = readCommandLine(left);
    const auto hex = [](const QStringList &list) {
        QByteArrayList out;
        for (const QString &argument : list)
            out.append(fileNameToBytes(argument).toHex());
        return out.join(' ');
    };
    std::printf("%s\n%s\n%s\n%d\n%s\n%s\n%s\n", hex(left).constData(), hex(early).constData(),
                fileNameToBytes(line.file).toHex().constData(),
                line.file.isEmpty() ? -1 : int(lookAtGivenFile(line.file).kind), qPrintable(style.toLower()),
                qPrintable(styleName(QApplication::style())),
                QApplication::layoutDirection() == Qt::RightToLeft ? "right to left" : "left to right");
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

    // Every message box shows its text as given, never as markup, and fits
    // the screen it is on with its buttons, also with its details opened: a
    // name too long for it is cut in its middle, its start and its end kept,
    // and the whole text is in the details. `road` is how the box comes up.
    void messageBoxText_data()
    {
        QTest::addColumn<QString>("road");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("whole"); // shown whole, without details
        QString path = QStringLiteral("/tmp");
        while (path.size() < 100'000)
            path += QStringLiteral("/folder%1").arg(path.size() / 11, 4, 10, QLatin1Char('0'));
        path += QStringLiteral("/game.smc");
        const QString markup = QStringLiteral("<b>missing <u>U.smc");
        QStringList lines;
        for (int i = 0; i < 300; ++i)
            lines.append(QStringLiteral("line %1.smc").arg(i));
        const struct {
            const char *road;
            QString name;
        } roads[] = {{"given file", markup}, {"start failure", QStringLiteral("/roms/<i>A&amp;B</i>")},
                     {"over what is up", QStringLiteral("<img src=\"x.png\">")}, {"question", markup}};
        for (const auto &road : roads)
            QTest::addRow("%s, markup", road.road) << QString::fromLatin1(road.road) << road.name << true;
        QTest::newRow("given file, 100 KB path") << "given file" << path << false;
        QTest::newRow("given file, a long name without breaks")
            << "given file" << QString(255, u'W') + QStringLiteral(".smc") << false;
        QTest::newRow("given file, 300 lines") << "given file" << lines.join(u'\n') << false;
        QTest::newRow("start failure, 100 KB path") << "start failure" << path << false;
        QTest::newRow("over what is up, 100 KB path") << "over what is up" << path << false;
        QTest::newRow("question, 100 KB path") << "question" << path << false;
    }
    void messageBoxText()
    {
        QFETCH(QString, road);
        QFETCH(QString, name);
        QFETCH(bool, whole);
        Program program;
        QVERIFY(QTest::qWaitForWindowExposed(program.form));
        QString text;
        const auto show = [&] {
            if (road == u"given file") {
                text = lookAtGivenFile(name).message;
                program.form->openGivenFile(name);
            } else if (road == u"start failure") {
                text = QStringLiteral("No emulator in ") + name;
                program.form->setRomPath(QStringLiteral("game.smc"), name);
                QTest::mouseClick(testing::control<QPushButton>(program.form, QStringLiteral("Start")), Qt::LeftButton);
            } else if (road == u"over what is up") {
                text = name;
                program.platform.boxes.showNoticeOverWhatIsUp(text);
            } else {
                text = QStringLiteral("Open %1?").arg(name);
                program.platform.boxes.askYesNo(text);
            }
        };
        whileBoxShows(show, [&](QMessageBox *box) {
            QCOMPARE(box->textFormat(), Qt::PlainText);
            const QString shown = box->text();
            QVERIFY2(shown.contains(name.left(8)) && shown.contains(name.right(8)), qPrintable(shown));
            QCOMPARE(shown == text, whole);
            QCOMPARE(box->detailedText(), whole ? QString() : text);
            QVERIFY(whole || shown.contains(u'\u2026'));
            QTRY_VERIFY(onScreen(box));
            const QList<QAbstractButton *> buttons = box->buttons();
            for (QAbstractButton *button : buttons) {
                QVERIFY(onScreen(button));
                if (box->buttonRole(button) == QMessageBox::ActionRole) {
                    button->click(); // the details open
                    for (const QAbstractButton *other : buttons)
                        QTRY_VERIFY(onScreen(other));
                    // The whole box, where the screen has room for the text
                    // beside the details (480 pixels high, say).
                    QVERIFY(box->screen()->availableGeometry().height() < 400 || onScreen(box));
                }
            }
            // Return answers the box, whatever it holds.
            QTest::keyClick(box, Qt::Key_Return);
            QTRY_VERIFY(!box->isVisible());
            QVERIFY(box->clickedButton() && box->buttonRole(box->clickedButton()) != QMessageBox::ActionRole);
        });
    }

    // The command line, read before any display is opened with Qt's own
    // options set aside: what it asks for and what it says.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("platform"); // QT_QPA_PLATFORM
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("result"); // the file, or the start of the text
        QTest::addColumn<QString>("style");
        const int run = int(CommandLine::Action::Run), answer = int(CommandLine::Action::Answer),
                  fail = int(CommandLine::Action::Fail);
        const QString usage = QStringLiteral("Usage: tavik [options] [FILE]\n");
        const auto row = [](const char *name, const QStringList &arguments, const QByteArray &platform, int action,
                            const QString &result, const QString &style = {}) {
            QTest::newRow(name) << QStringList{QStringLiteral("tavik")} + arguments << platform << action << result
                                << style;
        };
        row("nothing", {}, "", run, QString());
        row("a file", {"GAME.SMC"}, "", run, "GAME.SMC");
        row("help", {"--help"}, "", answer, usage);
        row("-h after Qt's option", {"-platformtheme", "x", "-h"}, "", answer, usage);
        row("version", {"--version"}, "", answer, "tavik 2.5\n");
        row("unknown option", {"--bogus"}, "", fail, "tavik: Unknown option 'bogus'.\nTry 'tavik --help'");
        row("three files", {"a", "b", "c"}, "", fail, "tavik: one file at most, not 3\n");
        row("Qt's style", {"-style", "fusion", "GAME.SMC"}, "", run, "GAME.SMC", "fusion");
        row("Qt's style, joined", {"--style=fusion", "GAME.SMC"}, "", run, "GAME.SMC", "fusion");
        row("Qt's platform, reverse, style sheet", {"-platform", "xcb", "-reverse", "-stylesheet", "x.qss", "G.SMC"},
            "", run, "G.SMC");
        row("Qt's platform taken alone at the end", {"GAME.SMC", "-platform"}, "", run, "GAME.SMC");
        row("Qt's style needs its value", {"GAME.SMC", "-style"}, "", fail, "tavik: Unknown option 'style'.");
        row("a session named like an option", {"-session", "-style", "GAME.SMC"}, "", run, "GAME.SMC");
        row("X's options on X", {"-display", ":0", "-title", "T", "GAME.SMC"}, "xcb", run, "GAME.SMC");
        row("X's options elsewhere", {"-title", "T", "GAME.SMC"}, "offscreen", fail, "tavik: Unknown option 'title'.");
        row("X's title before another platform", {"-title", "T", "-platform", "offscreen", "G.SMC"}, "", run, "G.SMC");
        row("an unknown option among Qt's", {"-style", "fusion", "--bogus", "GAME.SMC"}, "", fail,
            "tavik: Unknown option 'bogus'.", "fusion");
        row("a name after --", {"--", "-reverse.smc"}, "", run, "-reverse.smc");
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, platform);
        QFETCH(int, action);
        QFETCH(QString, result);
        QFETCH(QString, style);
        QString styleAsked;
        const CommandLine line = readCommandLine(withoutQtOptions(arguments, platform, &styleAsked));
        QCOMPARE(int(line.action), action);
        if (line.action == CommandLine::Action::Run)
            QCOMPARE(line.file, result);
        else
            QVERIFY2(line.text.startsWith(result), qPrintable(line.text));
        QCOMPARE(styleAsked, style);
    }

    // What Qt's application object takes is what the program set aside
    // before it, and a name that is not UTF-8 reaches the program byte for
    // byte in every locale; Qt's style and direction are the ones asked for.
    void qtTakesWhatWasSetAside_data()
    {
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<QByteArray>("locale"); // LANG
        QTest::addColumn<QByteArrayList>("left");
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("direction");
        const QByteArray latin1 = "@/Pok\xe9mon.smc"; // "@": a temporary folder
        const QByteArrayList gameOnly{"GAME.SMC"};
        for (const char *locale : {"C", "C.UTF-8"}) {
            QTest::addRow("%s: Latin-1 name", locale) << QByteArrayList{latin1} << QByteArray(locale)
                                                      << QByteArrayList{latin1} << "classic" << "left to right";
        }
        QTest::newRow("style") << QByteArrayList{"-style", "fusion", "GAME.SMC"} << QByteArray("C") << gameOnly
                               << "fusion" << "left to right";
        QTest::newRow("reverse, style sheet, Latin-1 name")
            << QByteArrayList{"-reverse", "-stylesheet", "x.qss", latin1} << QByteArray("C")
            << QByteArrayList{latin1} << "QStyleSheetStyle" << "right to left";
        QTest::newRow("a style Qt does not have") << QByteArrayList{"-style", "none", "GAME.SMC"} << QByteArray("C")
                                                  << gameOnly << "classic" << "left to right";
        QTest::newRow("joined style, platform")
            << QByteArrayList{"--style=fusion", "-platform", "offscreen", "GAME.SMC"} << QByteArray("C.UTF-8")
            << gameOnly << "fusion" << "left to right";
        QTest::newRow("a session named like an option")
            << QByteArrayList{"-session", "-style", "GAME.SMC", "-qmljsdebugger"} << QByteArray("C")
            << QByteArrayList{"GAME.SMC", "-qmljsdebugger"} << "classic" << "left to right";
        QTest::newRow("X's options elsewhere") << QByteArrayList{"-title", "T", "-display", ":9", "GAME.SMC"}
                                               << QByteArray("C")
                                               << QByteArrayList{"-title", "T", "-display", ":9", "GAME.SMC"}
                                               << "classic" << "left to right";
    }
    void qtTakesWhatWasSetAside()
    {
        QFETCH(QByteArrayList, arguments);
        QFETCH(QByteArray, locale);
        QFETCH(QByteArrayList, left);
        QFETCH(QString, style);
        QFETCH(QString, direction);
        testing::TemporaryFolder folder;
        const QByteArray root = QFile::encodeName(QFileInfo(folder.path()).canonicalFilePath());
        QStringList hexArguments{QString::fromLatin1(QByteArray("tavik").toHex())};
        for (QByteArray &argument : arguments) {
            argument.replace('@', root);
            hexArguments.append(QString::fromLatin1(argument.toHex()));
            if (argument.startsWith(root))
                testing::makeByBytes(fileNameFromBytes(argument), false);
        }
        QProcess copy;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("LC_ALL"));
        environment.remove(QStringLiteral("LC_CTYPE"));
        environment.insert(QStringLiteral("LANG"), QString::fromLatin1(locale));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        copy.setProcessEnvironment(environment);
        copy.start(QCoreApplication::applicationFilePath(), QStringList{QString::fromLatin1(programCopyOption)} + hexArguments);
        QVERIFY(copy.waitForFinished(60'000));
        QCOMPARE(copy.exitCode(), 0);
        const QByteArrayList answer = copy.readAllStandardOutput().split('\n');
        QCOMPARE(answer.size(), 8);
        for (QByteArray &argument : left)
            argument = argument.replace('@', root).toHex();
        const QByteArray expectedLeft = (QByteArrayList{QByteArray("tavik").toHex()} + left).join(' ');
        QCOMPARE(answer[0], expectedLeft); // what Qt left
        QCOMPARE(answer[1], expectedLeft); // what was set aside before it
        if (left.size() == 1) {
            QCOMPARE(answer[2], left.constFirst()); // the file, byte for byte
            QCOMPARE(answer[3].toInt(), left.constFirst().startsWith(root.toHex()) ? int(GivenFile::Kind::Rom)
                                                                                : int(GivenFile::Kind::Refused));
        }
        QCOMPARE(QString::fromLatin1(answer[5]), style);
        QCOMPARE(QString::fromLatin1(answer[6]), direction);
    }

    // An answer goes to standard output, a failure to standard error; an
    // answer that cannot be written (a full disk, a closed stream) ends with
    // status 1 and is told on standard error.
    void writeAnswer_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("output"); // "file", "full" (/dev/full), "closed"
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("errors");
        const int answer = int(CommandLine::Action::Answer), fail = int(CommandLine::Action::Fail);
        QTest::newRow("answer") << answer << "file" << 0 << QByteArray();
        QTest::newRow("answer, disk full") << answer << "full" << 1
                                           << QByteArray("tavik: the answer could not be written: No space left");
        QTest::newRow("answer, stream closed") << answer << "closed" << 1
                                               << QByteArray("tavik: the answer could not be written: Bad file");
        QTest::newRow("failure") << fail << "full" << 1 << QByteArray("tavik: Unknown option '\xe9'.");
    }
    void writeAnswer()
    {
        QFETCH(int, action);
        QFETCH(QString, output);
        QFETCH(int, status);
        QFETCH(QByteArray, errors);
        CommandLine line;
        line.action = CommandLine::Action(action);
        line.text = action == int(CommandLine::Action::Answer) ? QStringLiteral("tavik 2.5\n")
                                                               : fileNameFromBytes("tavik: Unknown option '\xe9'.\n");
        std::FILE *errorStream = std::tmpfile();
        std::FILE *outputStream = output == u"full" ? std::fopen("/dev/full", "w") : std::tmpfile();
        QVERIFY(errorStream && outputStream);
        if (output == u"closed")
            ::close(::fileno(outputStream));
        QCOMPARE(tavik::writeAnswer(line, outputStream, errorStream), status);
        if (output == u"file") {
            std::rewind(outputStream);
            char written[32] = {};
            QCOMPARE(QByteArray(written, qsizetype(std::fread(written, 1, sizeof written, outputStream))),
                     QByteArray("tavik 2.5\n"));
        }
        std::rewind(errorStream);
        char told[200] = {};
        const QByteArray said(told, qsizetype(std::fread(told, 1, sizeof told, errorStream)));
        QVERIFY2(errors.isEmpty() ? said.isEmpty() : said.startsWith(errors), said.constData());
        std::fclose(outputStream);
        std::fclose(errorStream);
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
