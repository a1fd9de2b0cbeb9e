// The ROM chooser driven through its real lists on real temporary folders:
// walking drives and folders, writing the picked name into the main window,
// both ways of closing, modality, failures, large folders, and a launch that
// starts a fake emulator in the folder the ROM was picked in.
#include "appearance/appearance.h"
#include "app/programwindows.h"
#include "launch/launchpress.h"
#include "mainwindow/form1.h"
#include "support/controls.h"
#include "romchooser/filelist.h"
#include "romchooser/folderlist.h"
#include "romchooser/folderloader.h"
#include "romchooser/form5.h"
#include "support/fakeemulator.h"
#include "support/fakeplatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <optional>
#include <thread>

#include <unistd.h>

using namespace tavik;
using namespace Qt::StringLiterals;
using tavik::testing::control;
using tavik::testing::FakePlatform;
using tavik::testing::makeByBytes;
using tavik::testing::TemporaryFolder;
using tavik::testing::WorkingFolderGuard;
using tavik::testing::writeFile;

namespace {

QString canonical(const QString &path) { return QDir(path).canonicalPath(); }

// What a list shows, row by row.
QStringList rowTexts(const QAbstractItemView *view)
{
    QStringList texts;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        texts.append(view->model()->index(row, 0).data().toString());
    return texts;
}

int rowOf(QAbstractItemView *view, const QString &caption)
{
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        if (view->model()->index(row, 0).data().toString() == caption)
            return row;
    }
    return -1;
}

QPoint centreOf(QAbstractItemView *view, int row)
{
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    return view->visualRect(index).center();
}

// A double-click on a folder's entry, as the user opens it: given to the
// window, which makes the press, release, double-click and release of it.
bool openFolder(FolderList *list, const QString &caption)
{
    const int row = rowOf(list, caption);
    if (row < 0)
        return false;
    QWidget *window = list->window();
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {},
                       list->viewport()->mapTo(window, centreOf(list, row)));
    return true;
}

// Enter on a folder's entry: the folder is opened before the key returns,
// without a turn of the event loop in which a read could deliver its names.
bool openFolderByKey(FolderList *list, const QString &caption)
{
    const int row = rowOf(list, caption);
    if (row < 0)
        return false;
    list->setFocus();
    list->setCurrentIndex(list->model()->index(row, 0));
    QTest::keyClick(list, Qt::Key_Return);
    return true;
}

bool clickFile(FileList *list, const QString &name)
{
    const int row = rowOf(list, name);
    if (row < 0)
        return false;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(list, row));
    return true;
}

// Opens the chooser as the user does, by "Load ROM" on `main`, which waits for
// it, and takes `steps` while it is up; it is closed after them if still up.
void inChooser(QWidget *main, const std::function<void(Form5 *)> &steps)
{
    QTRY_VERIFY(!testing::loadedWindow<Form5>()); // one left before has gone
    const QObject context;
    QTimer::singleShot(0, &context, [&steps] {
        const QPointer<Form5> chooser = testing::loadedWindow<Form5>();
        const auto leave = qScopeGuard([&chooser] {
            if (chooser && chooser->isVisible())
                chooser->close();
        });
        QVERIFY(chooser && QTest::qWaitForWindowExposed(chooser));
        steps(chooser);
    });
    QTest::mouseClick(control<QPushButton>(main, u"OpenRomDiagBox"_s), Qt::LeftButton);
}

} // namespace

class RomChooserTest : public QObject {
    Q_OBJECT

    // A folder too large to be read at once (the chooser reads up to 2000
    // entries at once; largeFolderFillsInTheBackground sees it is not), and
    // more than twice that, so that its thread must read to the end. Made
    // once and linked into the cases' folders as "big".
    QTemporaryDir largeFolder;
    static constexpr int largeFolderFiles = 4500;
    std::unique_ptr<WorkingFolderGuard> keepWorkingFolder;
    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<ProgramWindows> windows;
    QPointer<Form1> main;
    QPointer<Form5> chooser;

    QString romField() { return control<QLineEdit>(main, u"ROMLOAD"_s)->text(); }
    // The chooser's controls, by their names in its layout.
    FolderList *folderList() { return control<FolderList>(chooser, u"Dir1"_s); }
    QComboBox *driveBox() { return control<QComboBox>(chooser, u"Drive1"_s); }
    FileList *fileList() { return control<FileList>(chooser, u"File1"_s); }
    static int rows(const QAbstractItemView *list) { return list->model()->rowCount(); }
    // Waits for the reading thread's end, then takes the names it delivered.
    static void waitForReads()
    {
        QTRY_COMPARE(tavik::testing::folderReadingThreads(), 0);
        QCoreApplication::processEvents();
    }
    QPushButton *okButton() { return control<QPushButton>(chooser, u"Return"_s); }

    QString at(const QString &relative) { return canonical(work->path()) + QLatin1Char('/') + relative; }
    void linkLargeFolder() { QVERIFY(QFile::link(largeFolder.path(), at(QStringLiteral("big")))); }

    void inChooser(const std::function<void()> &steps)
    {
        ::inChooser(main, [&](Form5 *open) {
            chooser = open;
            steps();
        });
    }

    // Walks down from the working folder through each folder of `relative`.
    void walkTo(const QString &relative)
    {
        for (const QString &part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts))
            QVERIFY2(openFolder(folderList(), part), qPrintable(part));
        QCOMPARE(folderList()->path(), canonical(work->path()) + (relative.isEmpty() ? QString() : QLatin1Char('/') + relative));
    }

    // The folder the emulator runs in when started once the chooser has been
    // left: the picked ROM's (empty when nothing started).
    QString startedFolder()
    {
        if (QWidget *modal = QApplication::activeModalWidget())
            QTest::keyClick(modal, Qt::Key_Escape);
        if (!QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }))
            return QStringLiteral("(the chooser stayed open)");
        QTest::mouseClick(control<QPushButton>(main, u"Start"_s), Qt::LeftButton);
        return platform->starts.value(0).runFolder;
    }

    // Adds a drive to the drive list, as a newly mounted medium would be.
    int addDrive(const QString &mountPoint)
    {
        driveBox()->addItem(mountPoint, mountPoint);
        return driveBox()->count() - 1;
    }

    void chooseDriveByKeyboard(int index)
    {
        driveBox()->setFocus();
        const int steps = index - driveBox()->currentIndex();
        for (int i = 0; i < std::abs(steps); ++i)
            QTest::keyClick(driveBox(), steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }

private slots:
    void initTestCase()
    {
        setUpStyleAndFaces();
        for (int i = largeFolderFiles; i >= 1; --i)
            writeFile(largeFolder.filePath(QStringLiteral("Rom %1.smc").arg(i)));
    }

    void init()
    {
        keepWorkingFolder = std::make_unique<WorkingFolderGuard>();
        work = std::make_unique<QTemporaryDir>();
        QDir d(work->path());
        for (const char *file : {"Game 10.smc", "Game 2.smc", "alpha.sfc", "My Game (USA) v1.1.smc", "notes.txt",
                                 ".hidden.smc"})
            writeFile(d.filePath(QString::fromUtf8(file)));
        for (const char *folder : {"a/b/c/d", "empty", "other", "Zelda", ".cache"})
            QVERIFY(d.mkpath(QString::fromUtf8(folder)));
        writeFile(d.filePath(QStringLiteral("a/b/c/d/Deep.sfc")));
        writeFile(d.filePath(QStringLiteral("other/First.smc")));
        writeFile(d.filePath(QStringLiteral("other/Second.smc")));
        writeFile(d.filePath(QStringLiteral("other/Third.smc")));
        QVERIFY(QDir::setCurrent(work->path()));

        platform = std::make_unique<FakePlatform>();
        windows = std::make_unique<ProgramWindows>(*platform);
        windows->showMainWindow();
        main = testing::loadedWindow<Form1>();
        QVERIFY(QTest::qWaitForWindowExposed(main));
    }

    void cleanup()
    {
        windows.reset();
        platform.reset();
        keepWorkingFolder.reset();
        work.reset();
    }

    void windowLayout()
    {
        inChooser([&] {
            QCOMPARE(chooser->windowTitle(), QStringLiteral("Choose ROM"));
            QCOMPARE(chooser->geometry(), QRect(346, 177, 400, 256));
            QVERIFY(chooser->isModal());
            QVERIFY(chooser->minimumSize() != chooser->maximumSize());
            const QList<std::pair<QWidget *, QRect>> places{{folderList(), {0, 32, 185, 186}},
                                                            {driveBox(), {0, 8, 393, 21}},
                                                            {fileList(), {192, 32, 201, 188}},
                                                            {okButton(), {320, 224, 73, 25}}};
            chooser->resize(640, 480);
            QCoreApplication::processEvents();
            for (const auto &[control, place] : places)
                QCOMPARE(control->geometry(), place);
            QCOMPARE(driveBox()->toolTip(), QStringLiteral("Choose the drive you want to access"));
            QCOMPARE(okButton()->text(), QStringLiteral("OK"));

            QCOMPARE(chooser->focusWidget(), folderList());
            QList<QWidget *> order{folderList()};
            for (int i = 0; i < 4; ++i) {
                QTest::keyClick(chooser->focusWidget(), Qt::Key_Tab);
                order.append(chooser->focusWidget());
            }
            QCOMPARE(order, (QList<QWidget *>{folderList(), driveBox(), fileList(), okButton(), folderList()}));
        });
    }

    void opensAtTheWorkingFolder()
    {
        inChooser([&] {
            QCOMPARE(folderList()->path(), canonical(work->path()));
            QVERIFY(canonical(work->path()).startsWith(driveBox()->currentData().toString()));
            QCOMPARE(folderList()->root(), driveBox()->currentData().toString());
            // The way down to the working folder, then its subfolders, hidden ones left out.
            const QStringList captions = rowTexts(folderList());
            QCOMPARE(captions.mid(captions.size() - 5), QStringList({QFileInfo(work->path()).fileName(), "a", "empty",
                                                                     "other", "Zelda"}));
            QCOMPARE(rowTexts(fileList()),
                     QStringList({"alpha.sfc", "Game 2.smc", "Game 10.smc", "My Game (USA) v1.1.smc", "notes.txt"}));
            QVERIFY(fileList()->fileName().isEmpty());
            QCOMPARE(romField(), QStringLiteral("Select a SNES Rom File"));
        });
    }

    void selectingWritesTheBareName_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("file");
        QTest::newRow("in the working folder") << "" << "Game 2.smc";
        QTest::newRow("in a deep folder") << "a/b/c/d" << "Deep.sfc";
        QTest::newRow("a name with blanks, unquoted") << "" << "My Game (USA) v1.1.smc";
        QTest::newRow("in a sibling folder") << "other" << "Second.smc";
    }
    void selectingWritesTheBareName()
    {
        QFETCH(QString, folder);
        QFETCH(QString, file);
        inChooser([&] {
            walkTo(folder);
            QVERIFY(clickFile(fileList(), file));
            QCOMPARE(romField(), file);
            QVERIFY(platform->events.isEmpty());
            QCOMPARE(startedFolder(), folderList()->path());
        });
    }

    void lastOfThreeSelectionsWins()
    {
        inChooser([&] {
            walkTo(QStringLiteral("other"));
            QVERIFY(clickFile(fileList(), QStringLiteral("First.smc")));
            QVERIFY(clickFile(fileList(), QStringLiteral("Third.smc")));
            QTest::keyClick(fileList(), Qt::Key_Up);
            QCOMPARE(romField(), QStringLiteral("Second.smc"));
        });
    }

    // Ctrl+click takes the selection away again: the name picked stays in
    // the field, never an empty one.
    void deselectingKeepsThePickedName()
    {
        inChooser([&] {
            QVERIFY(clickFile(fileList(), QStringLiteral("alpha.sfc")));
            const QModelIndex index = fileList()->model()->index(rowOf(fileList(), QStringLiteral("alpha.sfc")), 0);
            QTest::mouseClick(fileList()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              fileList()->visualRect(index).center());
            QVERIFY(!fileList()->selectionModel()->hasSelection());
            QCOMPARE(romField(), QStringLiteral("alpha.sfc"));
        });
    }

    void keyboardSelection()
    {
        inChooser([&] {
            // Tabbing into the file list chooses nothing; moving in it does.
            driveBox()->setFocus();
            QTest::keyClick(driveBox(), Qt::Key_Tab);
            QCOMPARE(chooser->focusWidget(), fileList());
            QCOMPARE(romField(), QStringLiteral("Select a SNES Rom File"));
            QTest::keyClick(fileList(), Qt::Key_Down);
            QCOMPARE(romField(), QStringLiteral("alpha.sfc"));
            QTest::keyClick(fileList(), Qt::Key_End);
            QCOMPARE(romField(), QStringLiteral("notes.txt"));
            QTest::keyClicks(fileList(), QStringLiteral("My"));
            QCOMPARE(romField(), QStringLiteral("My Game (USA) v1.1.smc"));
        });
    }

    void keyboardOpensFolders()
    {
        inChooser([&] {
            folderList()->setFocus();
            folderList()->setCurrentIndex(folderList()->model()->index(rowOf(folderList(), QStringLiteral("other")), 0));
            QTest::keyClick(folderList(), Qt::Key_Return);
            QCOMPARE(folderList()->path(), at(QStringLiteral("other")));
            QCOMPARE(rowTexts(fileList()), QStringList({"First.smc", "Second.smc", "Third.smc"}));
        });
    }

    void movingOnWithoutSelectingKeepsTheField_data()
    {
        QTest::addColumn<QString>("moveTo");
        QTest::newRow("to a folder with files") << "other";
        QTest::newRow("to an empty folder") << "empty";
        QTest::newRow("up to the parent") << "..";
    }
    void movingOnWithoutSelectingKeepsTheField()
    {
        QFETCH(QString, moveTo);
        inChooser([&] {
            QVERIFY(clickFile(fileList(), QStringLiteral("alpha.sfc")));
            const QString picked = folderList()->path();
            if (moveTo == QLatin1String("..")) {
                const QStringList captions = rowTexts(folderList());
                QVERIFY(openFolder(folderList(), captions[rowOf(folderList(), QFileInfo(work->path()).fileName()) - 1]));
            } else {
                walkTo(moveTo);
            }
            QVERIFY(fileList()->fileName().isEmpty());
            QCOMPARE(romField(), QStringLiteral("alpha.sfc"));
            QTest::mouseClick(okButton(), Qt::LeftButton);
            QCOMPARE(romField(), QStringLiteral("alpha.sfc"));
            QCOMPARE(startedFolder(), picked);
        });
    }

    void emptyFolderLeavesTheFieldAlone()
    {
        inChooser([&] {
            walkTo(QStringLiteral("empty"));
            QCOMPARE(rows(fileList()), 0);
            QCOMPARE(romField(), QStringLiteral("Select a SNES Rom File"));
            QVERIFY(startedFolder().isEmpty());
        });
    }

    void closingWays_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("OK") << "OK";
        QTest::newRow("close box") << "close box";
        QTest::newRow("Escape key") << "Escape";
    }
    void closingWays()
    {
        QFETCH(QString, way);
        bool modalWhileOpen = false;
        inChooser([&] {
            Form5 *open = chooser;
            modalWhileOpen = QApplication::activeModalWidget() == open;
            walkTo(QStringLiteral("other"));
            clickFile(fileList(), QStringLiteral("Third.smc"));
            if (way == QLatin1String("close box"))
                open->close();
            else if (way == QLatin1String("Escape"))
                QTest::keyClick(fileList(), Qt::Key_Escape);
            else
                QTest::mouseClick(okButton(), Qt::LeftButton);
            QVERIFY(!open->isVisible());
        });
        QVERIFY(modalWhileOpen);
        QTRY_VERIFY(!testing::loadedWindow<Form5>());
        QVERIFY(main->isVisible());
        QCOMPARE(romField(), QStringLiteral("Third.smc"));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void secondOpeningStartsAtTheWorkingFolder()
    {
        inChooser([&] {
            walkTo(QStringLiteral("a/b/c"));
            QTest::mouseClick(okButton(), Qt::LeftButton);
        });
        inChooser([&] {
            QCOMPARE(folderList()->path(), canonical(work->path()));
            QCOMPARE(rows(fileList()), 5);
        });
    }

    void mainWindowTakesNoInputWhileOpen()
    {
        QString fieldWhileOpen;
        inChooser([&] {
            // Input the user gives the main window, through its window on the screen.
            QWindow *mainWindow = main->windowHandle();
            auto *start = control<QPushButton>(main, u"Start"_s);
            auto *romField = control<QLineEdit>(main, u"ROMLOAD"_s);
            const QPoint startCentre = start->mapTo(main, start->rect().center());
            QTest::mouseClick(mainWindow, Qt::LeftButton, {}, startCentre);
            const QPoint field = romField->mapTo(main, romField->rect().center());
            QTest::mouseClick(mainWindow, Qt::LeftButton, {}, field);
            for (char key : {'t', 'y', 'p', 'e', 'd'})
                QTest::keyClick(mainWindow, key);
            fieldWhileOpen = romField->text();
        });
        QCOMPARE(fieldWhileOpen, QStringLiteral("Select a SNES Rom File"));
        QVERIFY2(platform->events.isEmpty(), qPrintable(platform->events.join(QLatin1Char('\n'))));
    }

    void driveChangeMovesBothLists()
    {
        inChooser([&] {
            QVERIFY(QDir(work->path()).mkpath(QStringLiteral("stick/SNES")));
            writeFile(at(QStringLiteral("stick/Root.smc")));
            const int before = driveBox()->currentIndex();
            const int stick = addDrive(at(QStringLiteral("stick")));
            chooseDriveByKeyboard(stick);

            QCOMPARE(folderList()->path(), at(QStringLiteral("stick")));
            QCOMPARE(rowTexts(folderList()), QStringList({at(QStringLiteral("stick")), "SNES"}));
            QCOMPARE(rowTexts(fileList()), QStringList({"Root.smc"}));
            // A file in a drive's root: still the name alone.
            QVERIFY(clickFile(fileList(), QStringLiteral("Root.smc")));
            QCOMPARE(romField(), QStringLiteral("Root.smc"));

            chooseDriveByKeyboard(before);
            QCOMPARE(folderList()->path(), driveBox()->currentData().toString());
            QCOMPARE(fileList()->path(), folderList()->path());
            QVERIFY(platform->notices.isEmpty());
        });
    }

    void unreadableDriveKeepsTheListsWhereTheyWere()
    {
        inChooser([&] {
            const int before = driveBox()->currentIndex();
            const QStringList filesBefore = rowTexts(fileList());
            const int gone = addDrive(at(QStringLiteral("unplugged")));
            chooseDriveByKeyboard(gone);

            QCOMPARE(platform->notices,
                     QStringList({QStringLiteral("The folder %1 could not be opened: No such file or directory.")
                                      .arg(at(QStringLiteral("unplugged")))}));
            QCOMPARE(driveBox()->currentIndex(), before);
            QCOMPARE(folderList()->path(), canonical(work->path()));
            QCOMPARE(rowTexts(fileList()), filesBefore);
        });
    }

    void deletedWorkingFolderIsNamed()
    {
        const QString gone = canonical(work->path());
        QVERIFY(work->remove());
        inChooser([&] {
            QCOMPARE(platform->notices, QStringList({QStringLiteral("The folder %1 could not be opened: No such file or "
                                                                    "directory.").arg(gone)}));
        });
    }

    void folderRemovedWhileShown()
    {
        inChooser([&] {
            walkTo(QStringLiteral("a/b"));
            QVERIFY(QDir(at(QStringLiteral("a/b/c"))).removeRecursively());
            QVERIFY(openFolder(folderList(), QStringLiteral("c")));
            QCOMPARE(platform->notices,
                     QStringList({QStringLiteral("The folder %1 could not be opened: No such file or directory.")
                                      .arg(at(QStringLiteral("a/b/c")))}));
            QCOMPARE(folderList()->path(), at(QStringLiteral("a/b")));

            // The shown folder itself goes: its leftovers can still be picked, and
            // the way back up still works.
            writeFile(at(QStringLiteral("a/b/Left.smc")));
            QVERIFY(openFolder(folderList(), QStringLiteral("a")));
            QVERIFY(openFolder(folderList(), QStringLiteral("b")));
            QVERIFY(QDir(at(QStringLiteral("a/b"))).removeRecursively());
            QVERIFY(clickFile(fileList(), QStringLiteral("Left.smc")));
            QCOMPARE(romField(), QStringLiteral("Left.smc"));
            QVERIFY(openFolder(folderList(), QStringLiteral("a")));
            QCOMPARE(folderList()->path(), at(QStringLiteral("a")));
            QCOMPARE(rows(fileList()), 0);
            QCOMPARE(platform->notices.size(), 1);
        });
    }

    void largeFolderFillsInTheBackground()
    {
        inChooser([&] {
            const int files = largeFolderFiles;
            linkLargeFolder();
            // Opening the folder shown reads it again.
            QVERIFY(openFolder(folderList(), QFileInfo(work->path()).fileName()));
            QVERIFY(openFolderByKey(folderList(), QStringLiteral("big")));
            QCOMPARE(rows(fileList()), 0);
            QTRY_COMPARE(rows(fileList()), files);
            const QStringList names = rowTexts(fileList());
            QCOMPARE(names.mid(0, 3), QStringList({"Rom 1.smc", "Rom 2.smc", "Rom 3.smc"}));
            QCOMPARE(names.last(), QStringLiteral("Rom %1.smc").arg(files));
            QVERIFY(clickFile(fileList(), QStringLiteral("Rom 1234.smc")));
            QCOMPARE(romField(), QStringLiteral("Rom 1234.smc"));
        });
    }

    // A read that falls short (a failing disk, through the reader's seam) is
    // told, naming the folder, and the file list holds at most what was read.
    void readThatFallsShortIsReported_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("failAfter"); // entries taken, fewer than its files
        QTest::newRow("a small folder failing midway") << "other" << 2;
        QTest::newRow("a large one, on its thread") << "big" << largeFolderFiles - 100;
    }
    void readThatFallsShortIsReported()
    {
        QFETCH(QString, folder);
        QFETCH(int, failAfter);
        inChooser([&] {
            linkLargeFolder();
            QVERIFY(openFolder(folderList(), QFileInfo(work->path()).fileName()));
            waitForReads();
            platform->folderReads->changeEntries(testing::failingAfter(failAfter, EIO));
            QVERIFY(openFolderByKey(folderList(), folder));
            QTRY_COMPARE(platform->notices, QStringList{u"The folder %1 could not be read to its end: Input/output error. "
                                                        u"Its lists show only the entries read before that."_s.arg(at(folder))});
            // The names read before the failure, less the two dot entries at most.
            QVERIFY(rows(fileList()) <= failAfter && rows(fileList()) >= failAfter - 2);
        });
    }

    // Every opening of a folder is one read, which fills both lists.
    void oneReadFillsBothLists_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("folder"); // where the lists end up, under the working folder
        QTest::addColumn<int>("files");
        QTest::addColumn<QString>("lastFolderRow");
        QTest::newRow("a small folder opened") << "open" << "target" << 3 << "Sub";
        QTest::newRow("a large folder opened") << "open" << "big" << largeFolderFiles << "big";
        QTest::newRow("the folder shown opened again") << "again" << "" << 5 << "Zelda";
        QTest::newRow("a drive chosen") << "drive" << "target" << 3 << "Sub";
        QTest::newRow("the chooser opened") << "chooser" << "" << 5 << "Zelda";
    }
    void oneReadFillsBothLists()
    {
        QFETCH(QString, how);
        QFETCH(QString, folder);
        QFETCH(int, files);
        QFETCH(QString, lastFolderRow);
        QVERIFY(QDir(work->path()).mkpath(QStringLiteral("target/Sub")));
        for (int i = 0; i < 3; ++i)
            writeFile(at(QStringLiteral("target/Rom %1.smc").arg(i)));
        linkLargeFolder();
        // Each read takes its folder's end once.
        static std::atomic<int> ends;
        const auto check = [&] {
            waitForReads();
            QCOMPARE(ends.load(), 1);
            QCOMPARE(folderList()->path(), folder.isEmpty() ? canonical(work->path()) : at(folder));
            QCOMPARE(fileList()->path(), folderList()->path());
            QCOMPARE(rows(fileList()), files);
            QCOMPARE(rowTexts(folderList()).last(), lastFolderRow);
        };
        inChooser([&] {
            // The working folder read again, to show the new folders.
            QVERIFY(openFolder(folderList(), QFileInfo(work->path()).fileName()));
            waitForReads();
            ends = 0;
            platform->folderReads->changeEntries([](dirent *entry, int) { return entry ? entry : (++ends, entry); });
            if (how == QLatin1String("open"))
                QVERIFY(openFolder(folderList(), folder));
            else if (how == QLatin1String("again"))
                QVERIFY(openFolder(folderList(), QFileInfo(work->path()).fileName()));
            else if (how == QLatin1String("drive"))
                chooseDriveByKeyboard(addDrive(at(folder)));
            if (how != QLatin1String("chooser"))
                check();
        });
        // Left, then opened again.
        if (how == QLatin1String("chooser"))
            inChooser(check);
    }

    // A read of a large folder that is no longer wanted stops, and its names
    // never reach a list; a minimised chooser's read goes on. The reading
    // thread is held at the folder's end until the chooser has been left.
    void readNoLongerWantedStops_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("another folder opened") << "other folder";
        QTest::newRow("the chooser closed") << "close";
        QTest::newRow("the program ending") << "end";
        QTest::newRow("the chooser minimised and restored: read on") << "minimise";
    }
    void readNoLongerWantedStops()
    {
        QFETCH(QString, how);
        static std::thread::id mainThread;
        static std::atomic<bool> held, released;
        mainThread = std::this_thread::get_id();
        held = released = false;
        const auto release = qScopeGuard([] { released = true; });
        const testing::ReadWatch &questions = *platform->folderReads;
        int askedWhenLeft = 0;
        std::optional<QSignalSpy> delivered;
        const auto letGo = [&] {
            released = true;
            QTRY_COMPARE(tavik::testing::folderReadingThreads(), 0);
            // Let go, the thread asked once whether to stop, before its first
            // sort key, was told to stop, and ended without sorting.
            QCOMPARE(questions.asked - askedWhenLeft, 1);
            QCOMPARE(questions.stops.load(), 1);
            QCoreApplication::processEvents();
            for (const QList<QVariant> &load : std::as_const(*delivered))
                QVERIFY(load.first().toString() != at(QStringLiteral("big")));
        };
        inChooser([&] {
            linkLargeFolder();
            QVERIFY(openFolder(folderList(), QFileInfo(work->path()).fileName()));
            QTRY_COMPARE(tavik::testing::folderReadingThreads(), 0);
            platform->folderReads->changeEntries([](dirent *entry, int) {
                if (entry || std::this_thread::get_id() == mainThread || released)
                    return entry;
                held = true;
                while (!released)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return entry;
            });
            QVERIFY(openFolderByKey(folderList(), QStringLiteral("big")));
            QTRY_VERIFY(held);
            auto *loader = chooser->findChild<FolderLoader *>();
            QVERIFY(loader);
            delivered.emplace(loader, &FolderLoader::loaded);

            if (how == QLatin1String("other folder")) {
                QVERIFY(openFolder(folderList(), QFileInfo(work->path()).fileName()));
                walkTo(QStringLiteral("other"));
                askedWhenLeft = questions.asked;
                letGo();
                QCOMPARE(rowTexts(fileList()), QStringList({"First.smc", "Second.smc", "Third.smc"}));
                QCOMPARE(fileList()->path(), at(QStringLiteral("other")));
                QCOMPARE(rowTexts(folderList()).last(), QStringLiteral("other"));
            } else if (how == QLatin1String("close")) {
                QTest::keyClick(fileList(), Qt::Key_Escape);
            } else if (how == QLatin1String("end")) {
                windows->endProgram();
            } else {
                chooser->showMinimized();
                QTRY_VERIFY(chooser->isMinimized());
                released = true;
                QTest::qWait(100);
                chooser->showNormal();
                QTRY_COMPARE(rows(fileList()), largeFolderFiles);
            }
            askedWhenLeft = questions.asked;
        });
        // Closed, or gone with the program: once its loop has returned.
        if (how == QLatin1String("close") || how == QLatin1String("end")) {
            letGo();
            QTRY_VERIFY(!testing::loadedWindow<Form5>());
        }
    }
};

class RomChooserLaunchTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setUpStyleAndFaces(); }

    // The emulator is to find the picked ROM by its bare name where it runs.
    // Names that are not UTF-8 go to the start byte for byte (the start's
    // test sees them reach the emulator so).
    void emulatorRunsWhereTheRomWasPicked_data()
    {
        QTest::addColumn<QString>("pickIn"); // empty: typed into the field, never picked
        QTest::addColumn<QByteArray>("romBytes");
        const QByteArray plain("Super Game (USA).smc");
        QTest::newRow("picked outside the working folder") << "roms/SNES Games" << plain;
        QTest::newRow("picked in the working folder") << "." << plain;
        QTest::newRow("typed, never picked") << "" << plain;
        QTest::newRow("Latin-1, in a Latin-1 folder")
            << fileNameFromBytes("roms/Jeux r\xe9tro") << QByteArray("Pok\xe9mon (Fran\xe7" "e).smc");
        QTest::newRow("CP437, in the working folder") << "." << QByteArray("Pok\x82mon.smc");
    }
    void emulatorRunsWhereTheRomWasPicked()
    {
        QFETCH(QString, pickIn);
        QFETCH(QByteArray, romBytes);
        TemporaryFolder work;
        const WorkingFolderGuard keep; // back before the folders above go
        QDir d(work.path());
        QVERIFY(d.mkpath(QStringLiteral("roms/SNES Games")));
        const QString rom = fileNameFromBytes(romBytes);
        if (pickIn.contains(QChar(0xDCE9)))
            makeByBytes(d.filePath(pickIn), true);
        makeByBytes(d.filePath(rom), false);
        if (pickIn.contains(QLatin1Char('/')))
            makeByBytes(d.filePath(pickIn) + QLatin1Char('/') + rom, false);
        QVERIFY(QDir::setCurrent(work.path()));

        FakePlatform platform;
        ProgramWindows windows(platform);
        windows.showMainWindow();
        Form1 *form = testing::loadedWindow<Form1>();
        QVERIFY(QTest::qWaitForWindowExposed(form));

        if (pickIn.isEmpty()) {
            control<QLineEdit>(form, u"ROMLOAD"_s)->setText(rom);
        } else {
            inChooser(form, [&](Form5 *chooser) {
                for (const QString &part : pickIn.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
                    if (part != QLatin1String("."))
                        QVERIFY(openFolder(control<FolderList>(chooser, u"Dir1"_s), part));
                }
                QVERIFY(clickFile(control<FileList>(chooser, u"File1"_s), rom));
                QTest::mouseClick(control<QPushButton>(chooser, u"Return"_s), Qt::LeftButton);
            });
            QTRY_VERIFY(!testing::loadedWindow<Form5>());
        }
        QCOMPARE(control<QLineEdit>(form, u"ROMLOAD"_s)->text(), rom);
        QTest::mouseClick(control<QPushButton>(form, u"Start"_s), Qt::LeftButton);
        QVERIFY2(platform.notices.isEmpty(), qPrintable(platform.notices.join(QLatin1Char('\n'))));
        QCOMPARE(platform.starts.size(), 1);

        // An empty run folder is the launcher's working folder.
        const QString runFolder = platform.starts.first().runFolder.isEmpty() ? QDir::currentPath()
                                                                              : platform.starts.first().runFolder;
        const QString expectedFolder = pickIn.isEmpty() || pickIn == QLatin1String(".")
                                           ? canonical(work.path())
                                           : canonical(work.path()) + QLatin1Char('/') + pickIn;
        QCOMPARE(fileNameToBytes(runFolder), fileNameToBytes(expectedFolder));
        QCOMPARE(fileNameToBytes(platform.starts.first().command.rom), romBytes);
        QVERIFY(::access(fileNameToBytes(runFolder) + '/' + romBytes, F_OK) == 0);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    RomChooserTest chooser;
    RomChooserLaunchTest launch;
    return QTest::qExec(&chooser, argc, argv) | QTest::qExec(&launch, argc, argv);
}

#include "test_romchooser.moc"
