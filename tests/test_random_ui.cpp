// A seeded random walk through the real windows. Mouse clicks, double-clicks,
// key presses, typing and close requests reach the windows the way the window
// system delivers them (through each window's QWindow), so modality is in
// force exactly as for a user. After every step the walk checks what must
// always hold: at most one option panel shows; the main window takes input
// exactly when neither the GrIP dialog nor a modal window is up, and input
// reaches a window exactly when nothing blocks it; each window exists once;
// every started command line begins with the program word and ends with the
// ROM field's text.
//
// The default run is a short campaign with a fixed seed. Any campaign can be
// replayed: TAVIK_RANDOM_UI_SEED=n TAVIK_RANDOM_UI_STEPS=n test_random_ui.
#include "appearance/appearance.h"
#include "app/programwindows.h"
#include "infowindows/about.h"
#include "infowindows/gripinfo.h"
#include "infowindows/readmeviewer.h"
#include "infowindows/frmsplash.h"
#include "infowindows/help.h"
#include "launch/launchpress.h"
#include "mainwindow/form1.h"
#include "romchooser/filelist.h"
#include "romchooser/folderlist.h"
#include "romchooser/form5.h"
#include "support/controls.h"
#include "support/fakeemulator.h"
#include "support/fakeplatform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QRandomGenerator>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace tavik;
using namespace Qt::StringLiterals;
using tavik::testing::control;
using tavik::testing::FakePlatform;
using tavik::testing::writeFile;

namespace {

constexpr quint32 defaultSeed = 1997;
constexpr int defaultSteps = 1000;

quint32 seedToUse()
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable("TAVIK_RANDOM_UI_SEED").toUInt(&ok);
    return ok ? seed : defaultSeed;
}

int stepsToRun()
{
    bool ok = false;
    const int steps = qEnvironmentVariableIntValue("TAVIK_RANDOM_UI_STEPS", &ok);
    return ok && steps > 0 ? steps : defaultSteps;
}

// A key as the window system reports it: the key, the text it types and the
// modifiers held.
struct Key {
    Qt::Key key;
    QString text;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    const char *name;
};

const QList<Key> &keys()
{
    static const QList<Key> all{
        {Qt::Key_Tab, QStringLiteral("\t"), Qt::NoModifier, "Tab"},
        {Qt::Key_Backtab, QString(), Qt::ShiftModifier, "Shift+Tab"},
        {Qt::Key_Space, QStringLiteral(" "), Qt::NoModifier, "Space"},
        {Qt::Key_Return, QStringLiteral("\r"), Qt::NoModifier, "Return"},
        {Qt::Key_Enter, QStringLiteral("\r"), Qt::KeypadModifier, "Enter"},
        {Qt::Key_Escape, QStringLiteral("\x1b"), Qt::NoModifier, "Escape"},
        {Qt::Key_Up, QString(), Qt::NoModifier, "Up"},
        {Qt::Key_Down, QString(), Qt::NoModifier, "Down"},
        {Qt::Key_Left, QString(), Qt::NoModifier, "Left"},
        {Qt::Key_Right, QString(), Qt::NoModifier, "Right"},
        {Qt::Key_Home, QString(), Qt::NoModifier, "Home"},
        {Qt::Key_End, QString(), Qt::NoModifier, "End"},
        {Qt::Key_PageUp, QString(), Qt::NoModifier, "PageUp"},
        {Qt::Key_PageDown, QString(), Qt::NoModifier, "PageDown"},
        {Qt::Key_Backspace, QStringLiteral("\b"), Qt::NoModifier, "Backspace"},
        {Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier, "Delete"},
        {Qt::Key_A, QStringLiteral("a"), Qt::NoModifier, "a"},
        {Qt::Key_5, QStringLiteral("5"), Qt::NoModifier, "5"},
        {Qt::Key_F4, QString(), Qt::NoModifier, "F4"},
        {Qt::Key_A, QStringLiteral("\x01"), Qt::ControlModifier, "Ctrl+A"},
        {Qt::Key_Down, QString(), Qt::AltModifier, "Alt+Down"},
    };
    return all;
}

// What a user may type into a field: letters, digits, blanks, quotes,
// backslashes, dashes and characters beyond ASCII.
const QStringList typedCharacters{
    QStringLiteral("a"), QStringLiteral("Z"), QStringLiteral("0"), QStringLiteral("7"), QStringLiteral(" "),
    QStringLiteral("\""), QStringLiteral("'"), QStringLiteral("\\"), QStringLiteral("-"), QStringLiteral("+"),
    QString::fromUtf8("é"), QString::fromUtf8("ß"), QString::fromUtf8("★"), QString::fromUtf8("–"),
    QString::fromUtf8("日")};

const Key &keyNamed(const char *name)
{
    for (const Key &key : keys()) {
        if (qstrcmp(key.name, name) == 0)
            return key;
    }
    qFatal("no key %s", name);
}

Qt::Key keyFor(const QString &character)
{
    const QChar upper = character.at(0).toUpper();
    return upper.unicode() < 0x100 ? Qt::Key(upper.unicode()) : Qt::Key_unknown;
}

// ROM files whose names carry what a command line can trip over.
const QStringList romNames{
    QStringLiteral("Game 2.smc"), QStringLiteral("Game 10.smc"), QStringLiteral("My Game (USA).sfc"),
    QStringLiteral("it's \"quoted\".smc"), QStringLiteral("back\\slash.smc"), QString::fromUtf8("Gämé ★.sfc"),
    QStringLiteral("$(touch pwned); x.smc"), QStringLiteral("-m 5.smc"), QStringLiteral("trailing blank .smc "),
    QStringLiteral("sub dir/Deep One.smc"), QString::fromUtf8("sub dir/日本語.sfc"),
    QStringLiteral("sub dir/inner/Z.smc"), QStringLiteral(".hidden.smc")};

class Campaign : public QObject {
public:
    Campaign(quint32 seed, int steps) : m_seed(seed), m_totalSteps(steps), m_rng(seed) {}

    QString failure;
    QStringList summary() const
    {
        return {QStringLiteral("steps %1, input events %2, starts %3, ROMs picked %4, chooser opened %5, "
                               "About opened %6, GrIP opened %7, program ends %8")
                    .arg(m_step)
                    .arg(m_events)
                    .arg(m_platform.starts.size())
                    .arg(m_picks)
                    .arg(m_chooserOpenings)
                    .arg(m_aboutOpenings)
                    .arg(m_gripOpenings)
                    .arg(m_ends)};
    }

    void run(const QString &treeRoot)
    {
        m_treeRoot = treeRoot;
        qApp->installEventFilter(this);
        while (m_step < m_totalSteps && failure.isEmpty())
            step();
        qApp->removeEventFilter(this);
        letGoOfTheWindowSet();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
            if (event->spontaneous())
                inputArrived(widget->window());
            break;
        case QEvent::Show:
            if (widget->isWindow() && isOurs(widget) && isModalWindow(widget))
                modalShown(widget);
            else if (m_form && widget->parentWidget() == m_form)
                checkPanels(); // a panel shows: never two at once, not even for a moment
            break;
        default:
            break;
        }
        return false;
    }

private:
    // Where the input of the running step is expected: the window it was sent
    // to, and whether anything of that window received it.
    struct Probe {
        QWidget *window = nullptr;
        bool arrived = false;
    };

    static bool isOurs(const QObject *object)
    {
        return QByteArray(object->metaObject()->className()).startsWith("tavik::");
    }
    // The ROM chooser and About are the modal windows; the GrIP dialog blocks
    // the main window alone, and every other window blocks nothing.
    static bool isModalWindow(const QWidget *window)
    {
        const QByteArray className = window->metaObject()->className();
        return className == "tavik::Form5" || className == "tavik::About";
    }

    // Sorted by class, so that a seed picks the same window on every run
    // (the application keeps its windows in no particular order).
    QList<QWidget *> ourWindows() const
    {
        QList<QWidget *> found;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (isOurs(window))
                found.append(window);
        }
        std::sort(found.begin(), found.end(), [](const QWidget *a, const QWidget *b) {
            return qstrcmp(a->metaObject()->className(), b->metaObject()->className()) < 0;
        });
        return found;
    }
    // The program has ended once none of its windows is up (the journeys see
    // its process end).
    bool programEnded() const
    {
        const QList<QWidget *> windows = ourWindows();
        return std::none_of(windows.begin(), windows.end(), [](const QWidget *window) { return window->isVisible(); });
    }
    QWidget *visibleModal() const
    {
        for (QWidget *window : ourWindows()) {
            if (window->isVisible() && isModalWindow(window))
                return window;
        }
        return nullptr;
    }
    bool gripVisible() const
    {
        const Dialogbox1 *grip = testing::loadedWindow<Dialogbox1>();
        return grip && grip->isVisible();
    }
    // Whether the window system must keep input away from `window` now.
    bool blocked(const QWidget *window) const
    {
        const QWidget *modal = visibleModal();
        if (modal && modal != window)
            return true;
        return window == m_form && gripVisible();
    }

    void fail(const QString &what)
    {
        if (!failure.isEmpty())
            return;
        failure = QStringLiteral("seed %1, step %2 (%3): %4\nreplay with TAVIK_RANDOM_UI_SEED=%1 "
                                 "TAVIK_RANDOM_UI_STEPS=%2\nlast steps:\n  %5")
                      .arg(m_seed)
                      .arg(m_step)
                      .arg(m_action, what, m_recent.join(QStringLiteral("\n  ")));
    }

    void inputArrived(QWidget *window)
    {
        if (isOurs(window) && blocked(window))
            fail(QStringLiteral("input reached %1 although it was blocked").arg(window->objectName()));
        if (m_probe && m_probe->window == window)
            m_probe->arrived = true;
    }

    void modalShown(QWidget *window)
    {
        if (qobject_cast<Form5 *>(window))
            ++m_chooserOpenings;
        else
            ++m_aboutOpenings;
        // The window's own event loop runs the next steps, as the user's next
        // clicks would be handled while the modal window is up.
        QTimer::singleShot(0, this, [this, modal = QPointer<QWidget>(window)] { driveModal(modal); });
    }

    void driveModal(const QPointer<QWidget> &modal)
    {
        while (modal && modal->isVisible() && m_step < m_totalSteps && failure.isEmpty())
            step();
        // The campaign is over (or failed) with the window still up: close it,
        // so that its event loop, and the step that opened it, can return.
        if (modal && modal->isVisible())
            modal->close();
    }

    // --- the window set -----------------------------------------------------

    void rebuild()
    {
        letGoOfTheWindowSet();
        m_windows = std::make_unique<ProgramWindows>(m_platform);
        m_form = nullptr;
        // The program starts with its splash, which hands over to the main
        // window; now and then a key dismisses the splash, which ends the run.
        FrmSplash *splash = m_windows->frmSplash();
        splash->show();
        if (!QTest::qWaitForWindowExposed(splash))
            return fail(QStringLiteral("the splash never showed"));
        if (m_rng.bounded(8) == 0) {
            m_action = QStringLiteral("key on the splash");
            sendKey(splash, keyNamed("a"));
            if (!programEnded())
                return fail(QStringLiteral("a character key on the splash did not end the program"));
            ++m_ends;
            return rebuild();
        }
        splash->findChild<QTimer *>()->start(0);
        QElapsedTimer waited;
        waited.start();
        while (!testing::loadedWindow<Form1>() && waited.elapsed() < 5000)
            QTest::qWait(1);
        if (!testing::loadedWindow<Form1>())
            return fail(QStringLiteral("the splash never handed over to the main window"));
        m_form = testing::loadedWindow<Form1>();
        if (!QTest::qWaitForWindowExposed(m_form))
            return fail(QStringLiteral("the main window never showed"));
    }

    // --- input, as the window system delivers it ----------------------------

    // Sends the first event of an action and checks that it reached the
    // window exactly when nothing blocked it.
    template <typename Send>
    void deliver(QWidget *window, Send send)
    {
        const bool expected = !blocked(window) && !QApplication::activePopupWidget();
        Probe probe{window, false};
        Probe *outer = m_probe;
        m_probe = &probe;
        send();
        m_probe = outer;
        if (expected && !probe.arrived)
            fail(QStringLiteral("input to %1 did not arrive although nothing blocked it").arg(window->objectName()));
    }

    QPoint inWindow(QWidget *window, QWidget *target, QPoint at) const
    {
        const QPoint point = target == window ? at : target->mapTo(window, at);
        return {qBound(0, point.x(), window->width() - 1), qBound(0, point.y(), window->height() - 1)};
    }

    void clickAt(QWidget *target, QPoint at)
    {
        QWidget *window = target->window();
        QPointer<QWindow> handle = window->windowHandle();
        const QPoint point = inWindow(window, target, at);
        m_events += 2;
        deliver(window, [&] { QTest::mousePress(handle, Qt::LeftButton, {}, point); });
        // The release is what clicks, and it may open a modal window whose
        // event loop runs the next steps before this call returns.
        if (handle)
            QTest::mouseRelease(handle, Qt::LeftButton, {}, point);
    }
    void click(QWidget *target) { clickAt(target, target->rect().center()); }

    void doubleClickAt(QWidget *target, QPoint at)
    {
        QWidget *window = target->window();
        const QPoint point = inWindow(window, target, at);
        m_events += 4;
        deliver(window, [&] { QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, point); });
    }

    void sendKey(QWidget *window, const Key &key)
    {
        QPointer<QWindow> handle = window->windowHandle();
        m_events += 2;
        deliver(window, [&] { QTest::sendKeyEvent(QTest::Press, handle, key.key, key.text, key.modifiers); });
        if (handle)
            QTest::sendKeyEvent(QTest::Release, handle, key.key, key.text, key.modifiers);
    }

    void typeText(QWidget *window, const QString &text)
    {
        for (const QString &character : text.split(QString(), Qt::SkipEmptyParts))
            sendKey(window, {keyFor(character), character, Qt::NoModifier, ""});
    }

    QString randomText()
    {
        QString text;
        const int length = 1 + int(m_rng.bounded(8));
        for (int i = 0; i < length; ++i)
            text += typedCharacters.at(int(m_rng.bounded(typedCharacters.size())));
        return text;
    }

    // The window system's close request: the title bar's close box, Alt+F4.
    // Qt itself drops such a request for a window that a modal window blocks;
    // the main window must also refuse one that gets past, so it is given one
    // when blocked, as a programmatic close would.
    void closeBox(QWidget *window)
    {
        const bool wasBlocked = blocked(window);
        const bool mainWindow = window == m_form;
        if (wasBlocked && !mainWindow)
            return;
        QPointer<QWidget> guard(window);
        window->windowHandle()->close();
        QCoreApplication::processEvents();
        if (wasBlocked && (!guard || !guard->isVisible()))
            fail(QStringLiteral("the main window closed although it took no input"));
        if (!wasBlocked && guard && guard->isVisible())
            fail(QStringLiteral("%1 stayed up after its close box").arg(window->objectName()));
        if (!wasBlocked && mainWindow && !programEnded())
            fail(QStringLiteral("closing the main window did not end the program"));
    }

    template <typename T>
    T pick(const QList<T> &from)
    {
        return from.at(int(m_rng.bounded(from.size())));
    }
    QPoint randomPoint(QWidget *widget)
    {
        return {int(m_rng.bounded(qMax(1, widget->width()))), int(m_rng.bounded(qMax(1, widget->height())))};
    }

    // Picks an entry by weight and runs it.
    using Action = std::pair<int, std::function<void()>>;
    void choose(const QList<Action> &actions)
    {
        int total = 0;
        for (const auto &action : actions)
            total += action.first;
        int roll = int(m_rng.bounded(total));
        for (const auto &action : actions) {
            if (roll < action.first)
                return action.second();
            roll -= action.first;
        }
    }

    // The actions every window offers: a click on one of its buttons, a key
    // (a random one unless named), its close box and a click anywhere on it.
    Action clickButton(int weight, QWidget *window, const QString &button)
    {
        return {weight, [=, this] {
                    m_action = QStringLiteral("click %1 on %2").arg(button, window->objectName());
                    click(control(window, button));
                }};
    }
    Action pressKey(int weight, QWidget *window, const char *name = nullptr)
    {
        return {weight, [=, this] {
                    const Key &key = name ? keyNamed(name) : pick(keys());
                    m_action = QStringLiteral("key %1 on %2").arg(QLatin1String(key.name), window->objectName());
                    sendKey(window, key);
                }};
    }
    Action closeBoxOf(int weight, QWidget *window)
    {
        return {weight, [=, this] {
                    m_action = QStringLiteral("close box of %1").arg(window->objectName());
                    closeBox(window);
                }};
    }
    Action clickSomewhere(int weight, QWidget *window)
    {
        return {weight, [=, this] {
                    const QPoint point = randomPoint(window);
                    m_action = QStringLiteral("click %1 at %2,%3").arg(window->objectName()).arg(point.x()).arg(point.y());
                    clickAt(window, point);
                }};
    }

    // --- one step -------------------------------------------------------------

    void step()
    {
        ++m_step;
        if (!m_windows || !m_form || programEnded()) {
            m_ends += m_windows && programEnded();
            rebuild();
            if (!failure.isEmpty())
                return;
        }
        // A No is always waiting for the exit question; now and then a Yes.
        if (m_platform.yesNoAnswers.isEmpty())
            m_platform.yesNoAnswers.enqueue(m_rng.bounded(25) == 0);
        // Now and then the system refuses a start.
        m_platform.startOutcome =
            m_rng.bounded(15) == 0 ? Outcome::failed(QStringLiteral("snes9x.exe could not be found")) : Outcome::done();

        QPointer<QWidget> modalBefore = visibleModal();
        QWidget *window = chooseWindow();
        m_action = QString();
        if (window == m_form)
            actOnMainWindow();
        else if (auto *chooser = qobject_cast<Form5 *>(window))
            actOnChooser(chooser);
        else if (auto *about = qobject_cast<About *>(window))
            actOnAbout(about);
        else if (auto *grip = qobject_cast<Dialogbox1 *>(window))
            actOnGrip(grip);
        else if (auto *help = qobject_cast<Help *>(window))
            actOnHelp(help);
        else if (auto *readme = qobject_cast<Form3 *>(window))
            actOnReadme(readme);
        m_recent.append(QStringLiteral("%1: %2").arg(m_step).arg(m_action));
        // Straight to the output: the test log keeps only so many messages.
        if (m_trace)
            std::printf("%s\n", qPrintable(m_recent.last()));
        if (m_recent.size() > 25)
            m_recent.removeFirst();

        // What the event loop does once the step's events are handled: windows
        // unloaded meanwhile go. A modal window that has just closed leaves
        // that to the loop it returns to.
        if (!modalBefore || modalBefore->isVisible())
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        checkAfterStep();
    }

    QWidget *chooseWindow()
    {
        QList<QWidget *> shown;
        for (QWidget *window : ourWindows()) {
            if (window->isVisible() && window != m_form)
                shown.append(window);
        }
        QWidget *modal = visibleModal();
        QWidget *primary = modal ? modal : gripVisible() ? static_cast<QWidget *>(testing::loadedWindow<Dialogbox1>()) : m_form.data();
        const int primaryShare = modal ? 85 : gripVisible() ? 50 : 75;
        if (primary != m_form) {
            shown.removeAll(primary);
            shown.append(m_form);
        }
        if (shown.isEmpty() || int(m_rng.bounded(100)) < primaryShare)
            return primary;
        return pick(shown);
    }

    void actOnMainWindow()
    {
        QList<QWidget *> controls;
        const auto add = [&](std::initializer_list<const char *> names) {
            for (const char *name : names)
                controls.append(control(m_form, QString::fromLatin1(name)));
        };
        add({"VideoOn", "SoundOn", "RomTypeOn", "JoystixOn", "MiscOn", "Command1", "HelpOn", "ReadmeOn",
             "OpenRomDiagBox", "GRIPINFO", "Start", "quit", "Picture1", "List1", "Frameskip", "SoundRatio", "cmbVideo",
             "cmbSoundPlbk", "ROMLOAD", "Scanlines", "SoundBuffersize"});
        for (QWidget *button : m_form->findChildren<QAbstractButton *>())
            controls.append(button);
        add({"GCode1", "GCode2", "GCode3", "GCode4", "GCode5", "GCode6", "GCode7", "GCode8", "GCode9", "GCode10"});
        QList<QWidget *> visible;
        for (QWidget *control : controls) {
            if (control->isVisibleTo(m_form))
                visible.append(control);
        }
        QList<QWidget *> fields;
        for (QWidget *control : visible) {
            if (qobject_cast<QLineEdit *>(control) || qobject_cast<QComboBox *>(control))
                fields.append(control);
        }

        auto *start = control<QPushButton>(m_form, u"Start"_s);
        auto *gripInfo = control<QPushButton>(m_form, u"GRIPINFO"_s);
        choose({
            {10, [&] { m_action = QStringLiteral("click < EMULATE! >"); click(start); checkStart(); }},
            clickButton(3, m_form, u"OpenRomDiagBox"_s),
            {gripInfo->isVisibleTo(m_form) ? 3 : 0, [&] {
                 m_action = QStringLiteral("click For GrIP Info");
                 if (!blocked(m_form))
                     ++m_gripOpenings;
                 click(gripInfo);
             }},
            {48, [&] {
                 QWidget *control = pick(visible);
                 m_action = QStringLiteral("click %1").arg(control->objectName());
                 if (control == gripInfo && !blocked(m_form))
                     ++m_gripOpenings;
                 clickAt(control, randomPoint(control));
                 checkStart();
             }},
            {12, [&] {
                 QWidget *field = pick(fields);
                 const QString text = randomText();
                 m_action = QStringLiteral("type \"%1\" into %2").arg(text, field->objectName());
                 click(field);
                 typeText(m_form, text);
             }},
            {15, [&] {
                 const Key &key = pick(keys());
                 m_action = QStringLiteral("key %1 on the main window").arg(QLatin1String(key.name));
                 sendKey(m_form, key);
                 checkStart();
             }},
            {5, [&] {
                 const QPoint point = randomPoint(m_form);
                 m_action = QStringLiteral("click the main window at %1,%2").arg(point.x()).arg(point.y());
                 clickAt(m_form, point);
                 checkStart();
             }},
            {3, [&] {
                 QComboBox *combo = control<QComboBox>(m_form, m_rng.bounded(2) ? u"cmbVideo"_s : u"cmbSoundPlbk"_s);
                 m_action = QStringLiteral("open the list of %1").arg(combo->objectName());
                 if (combo->isVisibleTo(m_form))
                     clickAt(combo, {combo->width() - 6, combo->height() / 2});
             }},
            closeBoxOf(1, m_form),
        });
    }

    void actOnChooser(Form5 *chooser)
    {
        auto *files = control<FileList>(chooser, u"File1"_s);
        auto *folders = control<FolderList>(chooser, u"Dir1"_s);
        auto *drives = control<QComboBox>(chooser, u"Drive1"_s);
        choose({
            {30, [&] {
                 m_action = QStringLiteral("pick a file");
                 if (files->model()->rowCount() == 0)
                     return;
                 const QModelIndex index = files->model()->index(int(m_rng.bounded(files->model()->rowCount())), 0);
                 m_action = QStringLiteral("pick \"%1\"").arg(index.data().toString());
                 files->scrollTo(index);
                 clickAt(files->viewport(), files->visualRect(index).center());
                 if (files->fileName() == index.data().toString())
                     ++m_picks;
             }},
            {20, [&] {
                 // Walks stay inside the campaign's own folder tree, so that a
                 // seed replays the same way on every machine.
                 QList<int> rows;
                 for (int row = 0; row < folders->model()->rowCount(); ++row) {
                     const QString folder = folders->folderAt(row);
                     if (folder == m_treeRoot || folder.startsWith(m_treeRoot + QLatin1Char('/')))
                         rows.append(row);
                 }
                 m_action = QStringLiteral("open a folder");
                 if (rows.isEmpty())
                     return;
                 const QModelIndex index = folders->model()->index(pick(rows), 0);
                 m_action = QStringLiteral("open folder \"%1\"").arg(index.data().toString());
                 folders->scrollTo(index);
                 doubleClickAt(folders->viewport(), folders->visualRect(index).center());
             }},
            {20, [&] {
                 // Keys that could lead out of the tree (another drive, or
                 // Enter on a folder above it) are left out where they would.
                 QList<const char *> names{"Tab", "Shift+Tab"};
                 if (chooser->focusWidget() != drives)
                     names += {"Up", "Down", "Home", "End", "PageUp", "PageDown", "a", "Space"};
                 if (chooser->focusWidget() != drives && chooser->focusWidget() != folders)
                     names += {"Return", "Enter"};
                 const Key &key = keyNamed(pick(names));
                 m_action = QStringLiteral("key %1 on the chooser").arg(QLatin1String(key.name));
                 sendKey(chooser, key);
             }},
            clickButton(8, chooser, u"Return"_s),
            pressKey(5, chooser, "Escape"),
            closeBoxOf(5, chooser),
        });
    }

    void actOnAbout(About *about)
    {
        choose({clickButton(30, about, u"Command1"_s), pressKey(15, about, "Escape"), closeBoxOf(15, about),
                clickSomewhere(20, about), pressKey(20, about)});
    }

    void actOnGrip(Dialogbox1 *grip)
    {
        choose({clickButton(25, grip, u"Command1"_s), pressKey(45, grip), closeBoxOf(15, grip), clickSomewhere(15, grip)});
    }

    void actOnHelp(Help *help)
    {
        choose({
            clickButton(25, help, u"Command1"_s),
            closeBoxOf(10, help),
            {20, [&] {
                 const QString text = randomText();
                 m_action = QStringLiteral("type \"%1\" into Help's address").arg(text);
                 click(control<QLineEdit>(help, u"Text1"_s));
                 typeText(help, text);
             }},
            pressKey(20, help),
            clickSomewhere(15, help),
        });
    }

    void actOnReadme(Form3 *readme)
    {
        choose({clickButton(30, readme, u"Command1"_s), closeBoxOf(10, readme), pressKey(40, readme),
                clickSomewhere(20, readme)});
    }

    // --- what must always hold ------------------------------------------------

    void checkPanels()
    {
        if (!m_form)
            return;
        int shown = 0;
        for (const char *panel : {"VidOpt", "SoundOpt", "RomOpt", "JoyOpt", "MiscOpt", "GcheatOpt"})
            shown += control(m_form, QString::fromLatin1(panel))->isHidden() ? 0 : 1;
        if (shown > 1)
            fail(QStringLiteral("%1 option panels are visible at once").arg(shown));
    }

    // Every start since the last check: the program word first, the ROM
    // field's text last and as the ROM argument, and only once a ROM is picked.
    void checkStart()
    {
        const auto &starts = m_platform.starts;
        for (; m_startsChecked < starts.size(); ++m_startsChecked) {
            if (!m_form)
                return fail(QStringLiteral("a start without a main window"));
            const QString rom = control<QLineEdit>(m_form, u"ROMLOAD"_s)->text();
            const EmulatorCommand &command = starts.at(m_startsChecked).command;
            const QString line = command.commandLine();
            if (rom == romPlaceholder)
                fail(QStringLiteral("started although no ROM was picked: %1").arg(line));
            if (!line.startsWith(QStringLiteral("snes9x.exe ")) || !line.endsWith(rom) || command.rom != rom)
                fail(QStringLiteral("started \"%1\" with the ROM field showing \"%2\"").arg(line, rom));
        }
    }

    void checkAfterStep()
    {
        checkStart();
        if (programEnded())
            return;
        if (!m_form || !m_form->isVisible())
            return fail(QStringLiteral("the main window went without ending the program"));
        checkPanels();
        const bool shouldTakeInput = !gripVisible() && !visibleModal();
        if (m_form->takesInput() != shouldTakeInput)
            fail(QStringLiteral("the main window %1 input with the GrIP dialog %2 and %3 modal window up")
                     .arg(m_form->takesInput() ? QStringLiteral("takes") : QStringLiteral("takes no"),
                          gripVisible() ? QStringLiteral("up") : QStringLiteral("gone"),
                          visibleModal() ? QStringLiteral("a") : QStringLiteral("no")));

        // One instance of each window.
        QHash<QByteArray, int> count;
        for (QWidget *window : ourWindows()) {
            const QByteArray className = window->metaObject()->className();
            if (++count[className] > 1)
                fail(QStringLiteral("two windows of %1").arg(QLatin1String(className)));
        }
    }

    // Each window is the window set's: the set, let go, takes every window
    // it loaded with it, and one it does not know would stay.
    void letGoOfTheWindowSet()
    {
        m_windows.reset();
        for (QWidget *window : ourWindows())
            fail(QStringLiteral("a window of %1 that the window set does not know")
                     .arg(QLatin1String(window->metaObject()->className())));
    }

    const quint32 m_seed;
    const int m_totalSteps;
    QRandomGenerator m_rng;
    QString m_treeRoot;
    FakePlatform m_platform;
    std::unique_ptr<ProgramWindows> m_windows;
    QPointer<Form1> m_form;
    Probe *m_probe = nullptr;
    const bool m_trace = qEnvironmentVariableIsSet("TAVIK_RANDOM_UI_TRACE");

    int m_step = 0;
    QString m_action;
    QStringList m_recent;
    int m_ends = 0;
    qsizetype m_startsChecked = 0;
    qint64 m_events = 0;
    int m_picks = 0;
    int m_chooserOpenings = 0;
    int m_aboutOpenings = 0;
    int m_gripOpenings = 0;
};

// The offscreen platform cannot raise a window or grab the keyboard and says
// so at every try; thousands of steps would bury the report under it.
QtMessageHandler defaultMessageHandler = nullptr;
void quietMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message == QLatin1String("This plugin does not support raise()")
        || message == QLatin1String("This plugin does not support grabbing the keyboard"))
        return;
    defaultMessageHandler(type, context, message);
}

} // namespace

class RandomUiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        setUpStyleAndFaces();
        defaultMessageHandler = qInstallMessageHandler(quietMessageHandler);
        // A list's type-ahead search joins the letters typed within this
        // interval of wall-clock time; fixed long, the joins no longer depend
        // on how fast the machine runs the steps, so a seed always replays.
        QGuiApplication::styleHints()->setKeyboardInputInterval(3600 * 1000);
    }
    void cleanupTestCase() { qInstallMessageHandler(defaultMessageHandler); }

    void randomCampaign()
    {
        const quint32 seed = seedToUse();
        const int steps = stepsToRun();
        qInfo("random UI campaign: seed %u, %d steps (replay with TAVIK_RANDOM_UI_SEED=%u TAVIK_RANDOM_UI_STEPS=%d)",
              seed, steps, seed, steps);

        // The chooser starts in the working folder: a tree of ROMs whose names
        // carry blanks, quotes, backslashes, shell text and non-ASCII letters.
        const QString startFolder = QDir::currentPath();
        QTemporaryDir work;
        QVERIFY(work.isValid());
        QDir tree(work.path());
        QVERIFY(tree.mkpath(QStringLiteral("sub dir/inner")));
        QVERIFY(tree.mkpath(QStringLiteral("empty")));
        for (const QString &rom : romNames)
            writeFile(tree.filePath(rom));
        QVERIFY(QDir::setCurrent(work.path()));

        Campaign campaign(seed, steps);
        QElapsedTimer clock;
        clock.start();
        campaign.run(tree.canonicalPath());
        qInfo("%s in %lld ms", qPrintable(campaign.summary().join(QLatin1Char('\n'))),
              static_cast<long long>(clock.elapsed()));
        QDir::setCurrent(startFolder);
        QVERIFY2(campaign.failure.isEmpty(), qPrintable(campaign.failure));
    }
};

QTEST_MAIN(RandomUiTest)
#include "test_random_ui.moc"
