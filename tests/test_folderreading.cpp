// Reading folders for the ROM chooser on real temporary folders, the natural
// name order, the folder chain of the folder list and the choice of drives.
#include "system/drives.h"
#include "system/filenames.h"
#include "system/folderreading.h"
#include "support/fakeemulator.h"
#include "support/folderreads.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>

#include <unistd.h>

using namespace tavik;
using namespace Qt::StringLiterals;
using tavik::testing::makeByBytes;
using tavik::testing::readFolder;
using tavik::testing::ReadWatch;
using tavik::testing::TemporaryFolder;
using tavik::testing::WorkingFolderGuard;
using tavik::testing::writeFile;

namespace {

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

} // namespace

Q_DECLARE_METATYPE(QList<tavik::MountEntry>)

class FolderReadingTest : public QObject {
    Q_OBJECT

private slots:
    // Some file systems give no entry types: each entry is then looked up.
    void readsFilesAndFoldersApart_data()
    {
        QTest::addColumn<bool>("typesKnown");
        QTest::newRow("entry types given") << true;
        QTest::newRow("entry types unknown") << false;
    }
    void readsFilesAndFoldersApart()
    {
        QFETCH(bool, typesKnown);
        QTemporaryDir dir;
        QDir d(dir.path());
        for (const char *name : {"Game.smc", "README", "no extension", "Two  blanks.sfc", ".hidden.smc"})
            writeFile(d.filePath(QString::fromUtf8(name)));
        QVERIFY(d.mkdir(QStringLiteral("Saves")));
        QVERIFY(d.mkdir(QStringLiteral(".git")));
        QVERIFY(QFile::link(d.filePath(QStringLiteral("Saves")), d.filePath(QStringLiteral("Linked saves"))));
        QVERIFY(QFile::link(d.filePath(QStringLiteral("Game.smc")), d.filePath(QStringLiteral("Linked.smc"))));
        QVERIFY(QFile::link(d.filePath(QStringLiteral("gone")), d.filePath(QStringLiteral("Broken.smc"))));
        QVERIFY(QFile::link(d.filePath(QStringLiteral("gone")), d.filePath(QStringLiteral("Saves/Broken.srm"))));

        const auto untyped = std::make_shared<ReadWatch>();
        if (!typesKnown)
            untyped->changeEntries([](dirent *entry, int) { return entry ? (entry->d_type = DT_UNKNOWN, entry) : entry; });
        const FolderContents contents = readFolder(dir.path(), -1, untyped);
        QVERIFY(contents.complete);
        QCOMPARE(sorted(contents.files),
                 QStringList({"Game.smc", "Linked.smc", "README", "Two  blanks.sfc", "no extension"}));
        QCOMPARE(sorted(contents.folders), QStringList({"Linked saves", "Saves"}));
        // A broken link is left out, not taken for a failed read, even as the folder's last entry.
        const FolderContents saves = readFolder(d.filePath(QStringLiteral("Saves")), -1, untyped);
        QVERIFY(contents.problem.isEmpty() && saves.problem.isEmpty() && saves.files.isEmpty());
    }

    void stopsAtItsLimit_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("complete");
        QTest::newRow("no limit") << -1 << 10 << true;
        QTest::newRow("limit above the count") << 11 << 10 << true;
        QTest::newRow("limit at the count") << 10 << 10 << true;
        QTest::newRow("limit below the count") << 4 << 4 << false;
        QTest::newRow("limit zero") << 0 << 0 << false;
    }
    void stopsAtItsLimit()
    {
        QFETCH(int, limit);
        QFETCH(int, expected);
        QFETCH(bool, complete);
        QTemporaryDir dir;
        for (int i = 0; i < 10; ++i)
            writeFile(dir.filePath(QStringLiteral("rom%1.smc").arg(i)));
        const FolderContents contents = readFolder(dir.path(), limit);
        QCOMPARE(contents.files.size(), expected);
        QCOMPARE(contents.complete, complete);
    }

    // A read taken in steps gives each entry once, whatever the step.
    void readsInSteps_data()
    {
        QTest::addColumn<int>("step");
        for (int step : {1, 3, 7, 8, 9, 50})
            QTest::addRow("steps of %d", step) << step;
    }
    void readsInSteps()
    {
        QFETCH(int, step);
        QTemporaryDir dir;
        QDir d(dir.path());
        for (int i = 0; i < 6; ++i)
            writeFile(d.filePath(QStringLiteral("rom%1.smc").arg(i)));
        writeFile(d.filePath(QStringLiteral(".hidden")));
        QVERIFY(d.mkdir(QStringLiteral("Saves")));
        QVERIFY(d.mkdir(QStringLiteral("Cheats")));
        const FolderContents whole = readFolder(dir.path());

        FolderReader reader(dir.path());
        FolderContents stepped;
        int steps = 0;
        do {
            const qsizetype before = stepped.files.size() + stepped.folders.size();
            QVERIFY(reader.read(stepped, step));
            QVERIFY(stepped.files.size() + stepped.folders.size() - before <= step);
            QVERIFY(++steps <= 8 / step + 1);
        } while (!stepped.complete);
        QCOMPARE(sorted(stepped.files), sorted(whole.files));
        QCOMPARE(sorted(stepped.folders), QStringList({"Cheats", "Saves"}));
        QCOMPARE(stepped.files.size(), 6);
    }

    // A read or sort no longer wanted ends at the first question it asks
    // once the answer is "stop", in whichever of its steps that comes: before the work, between two entries, while the sort keys are
    // made, or while they are compared. The test answers "stop" at the
    // question it chooses, so the point does not depend on the machine's speed.
    void stopsWhenAsked_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<int>("stopAt"); // the first question answered "stop"
        // A read asks once before each entry; a sort of 1000 names once
        // before each key, then once before each of some 10000 comparisons.
        QTest::newRow("listing, asked before") << "list" << 1;
        QTest::newRow("listing, asked between entries") << "list" << 11;
        QTest::newRow("sorting, asked before") << "sort" << 1;
        QTest::newRow("sorting, asked while the keys are made") << "sort" << 500;
        QTest::newRow("sorting, asked while the keys are compared") << "sort" << 1500;
    }
    void stopsWhenAsked()
    {
        QFETCH(QString, work);
        QFETCH(int, stopAt);
        TemporaryFolder dir;
        for (int i = 0; i < 50; ++i)
            writeFile(dir.filePath(QStringLiteral("rom%1.smc").arg(i)));
        QStringList names;
        for (int i = 0; work == QLatin1String("sort") && i < 1000; ++i)
            names.append(QStringLiteral("Super Game %1 (USA).smc").arg(i * 7919 % 1000));

        const auto questions = std::make_shared<ReadWatch>();
        questions->stopFrom = stopAt;
        tavik::testing::WatchedReader reader(dir.path(), questions);
        FolderContents contents;
        FolderContents sorting;
        sorting.files = names;
        const bool finished = work == QLatin1String("list") ? reader.read(contents)
                                                             : reader.sort(sorting, tavik::naturalOrder());
        QVERIFY(!finished);
        QCOMPARE(contents.files.size(), work == QLatin1String("list") ? stopAt - 1 : 0);
        // Nothing is asked after the stop: no entry is read and no key made.
        // A sort stopped while comparing runs out instead, each of its loops
        // ending at its next comparison, which asks again and compares no key.
        if (work == QLatin1String("list") || stopAt <= names.size())
            QCOMPARE(questions->asked.load(), stopAt);
        else
            QCOMPARE_GT(questions->stops.load(), 0);
    }

    void unreadableFolderReadsEmpty()
    {
        const FolderContents contents = readFolder(QStringLiteral("/no/such/folder/anywhere"));
        QVERIFY(contents.files.isEmpty());
        QVERIFY(contents.folders.isEmpty());
    }

    // Any byte string is a name, whose text goes back to the same bytes and
    // is listed and opened as such; a text with a lone surrogate that kept no
    // byte (bytes: null) names no file, and is refused rather than changed.
    void namesAreBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const auto units = [](std::initializer_list<char16_t> all) { return QString::fromUtf16(all.begin(), qsizetype(all.size())); };
        QTest::newRow("Latin-1") << QByteArray("Pok\xe9mon.smc") << u"Pok\xDCE9mon.smc"_s;
        QTest::newRow("CP437") << QByteArray("Pok\x82mon \x9a.smc") << u"Pok\xDC82mon \xDC9A.smc"_s;
        QTest::newRow("valid UTF-8") << QByteArray("Pok\xc3\xa9mon.smc") << u"Pok\u00E9mon.smc"_s;
        QTest::newRow("four-byte UTF-8, then Latin-1") << QByteArray("\xf0\x9f\x8e\xae\xe9") << u"\U0001F3AE\xDCE9"_s;
        QTest::newRow("mixed") << QByteArray("Caf\xc3\xa9 \xe9t\xe9") << u"Caf\u00E9 \xDCE9t\xDCE9"_s;
        QTest::newRow("lone 0xFF") << QByteArray("\xff") << units({0xDCFF});
        QTest::newRow("an escape's own UTF-8 form") << QByteArray("\xed\xb3\xa9") << units({0xDCED, 0xDCB3, 0xDCA9});
        QTest::newRow("the replacement mark itself") << QByteArray("\xef\xbf\xbd") << u"\uFFFD"_s;
        QTest::newRow("text that spells an escape") << QByteArray("\\udce9") << u"\\udce9"_s;
        QTest::newRow("overlong, beyond U+10FFFF, cut short")
            << QByteArray("\xc0\xaf\xf4\x90\x80\x80\xe2\x82") << units({0xDCC0, 0xDCAF, 0xDCF4, 0xDC90, 0xDC80, 0xDC80, 0xDCE2, 0xDC82});
        QTest::newRow("lone high surrogate") << QByteArray() << units({'a', 0xD800, 'b'});
        QTest::newRow("low surrogate below the kept bytes") << QByteArray() << units({0xDC41});
    }
    void namesAreBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        bool whole = true;
        const QByteArray encoded = fileNameToBytes(text, &whole);
        fileNameToBytes(u"fine.smc", &whole); // a later name does not hide a failure
        QCOMPARE(whole, !bytes.isNull());
        QVERIFY(!fileNameForDisplay(text).toUtf8().contains("?"));
        TemporaryFolder dir;
        const QString folder = dir.path() + QLatin1Char('/') + text;
        if (bytes.isNull()) {
            QVERIFY(!FolderReader(folder).opened().ok && !isFolder(folder));
            return;
        }
        QCOMPARE(encoded, bytes);
        QCOMPARE(fileNameFromBytes(bytes), text);
        makeByBytes(folder, true);
        makeByBytes(folder + QLatin1Char('/') + text, false);
        QCOMPARE(readFolder(dir.path()).folders, QStringList{text});
        QCOMPARE(readFolder(folder).files, QStringList{text});
        QVERIFY(FolderReader(folder).opened().ok && isFolder(folder));
        QVERIFY(::access(QByteArray(dir.path().toUtf8() + '/' + bytes + '/' + bytes).constData(), F_OK) == 0);
    }

    void naturalOrder_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("numbers by value")
            << QStringList{"Game 10.smc", "Game 2.smc", "Game 1.smc"}
            << QStringList{"Game 1.smc", "Game 2.smc", "Game 10.smc"};
        QTest::newRow("case ignored") << QStringList{"beta", "Alpha", "gamma", "Delta"}
                                      << QStringList{"Alpha", "beta", "Delta", "gamma"};
        QTest::newRow("accents beside their letter") << QStringList{"Zelda", "Ärger", "Banjo"}
                                                     << QStringList{"Ärger", "Banjo", "Zelda"};
        QTest::newRow("same but for case keeps one fixed order") << QStringList{"mario", "Mario"}
                                                                 << QStringList{"Mario", "mario"};
        QTest::newRow("empty") << QStringList{} << QStringList{};
    }
    void naturalOrder()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        FolderContents contents;
        contents.folders = contents.files = names;
        QVERIFY(FolderReader(QString()).sort(contents, tavik::naturalOrder()));
        QCOMPARE(contents.folders, expected);
        QCOMPARE(contents.files, expected);
    }

    void folderProblems_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reasonPart"); // empty: no problem
        QTest::newRow("readable folder") << "folder" << "";
        QTest::newRow("vanished folder") << "missing" << "No such file";
        QTest::newRow("a file, not a folder") << "file" << "Not a directory";
        QTest::newRow("no permission") << "locked" << "Permission denied";
    }
    void folderProblems()
    {
        QFETCH(QString, setup);
        QFETCH(QString, reasonPart);
        QTemporaryDir dir;
        QString target = dir.filePath(QStringLiteral("target"));
        if (setup == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("target")));
        } else if (setup == QLatin1String("file")) {
            writeFile(target);
        } else if (setup == QLatin1String("locked")) {
            if (::geteuid() == 0)
                QSKIP("permissions do not hold back the superuser");
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("target")));
            QVERIFY(QFile::setPermissions(target, {}));
        }
        const Outcome opened = FolderReader(target).opened();
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(opened.ok == reasonPart.isEmpty() && opened.reason.contains(reasonPart), qPrintable(opened.reason));
    }

    void unopenableFolderMessages_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("named") << "/media/usb/roms"
                               << "The folder /media/usb/roms could not be opened: No such file or directory.";
        QTest::newRow("working folder gone, path unknown") << "" << "The working folder no longer exists.";
    }
    void unopenableFolderMessages()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(unopenableFolderMessage(folder, QStringLiteral("No such file or directory")), expected);
    }

    // A deleted working folder is still named by the path it had.
    void workingFolderPaths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("there") << "roms" << false;
        QTest::newRow("deleted") << "roms" << true;
        QTest::newRow("deleted, blanks in its name") << "My  Roms" << true;
        QTest::newRow("deleted, named like the kernel's mark") << "old (deleted)" << true;
        QTest::newRow("there, named like the kernel's mark") << "old (deleted)" << false;
        QTest::newRow("there, a Latin-1 name") << fileNameFromBytes("Jeux r\xe9tro") << false;
        QTest::newRow("deleted, a Latin-1 name") << fileNameFromBytes("Jeux r\xe9tro") << true;
    }
    void workingFolderPaths()
    {
        QFETCH(QString, name);
        QFETCH(bool, deleted);
        TemporaryFolder dir;
        const WorkingFolderGuard keep;
        const QString folder = QDir(dir.path()).canonicalPath() + QLatin1Char('/') + name;
        makeByBytes(folder, true);
        QVERIFY(::chdir(fileNameToBytes(folder).constData()) == 0);
        if (deleted)
            QVERIFY(::rmdir(fileNameToBytes(folder).constData()) == 0);
        QCOMPARE(workingFolderPath(), folder);
    }

    void folderChains_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QStringList>("chain");
        QTest::newRow("the root itself") << "/" << "/" << QStringList{"/"};
        QTest::newRow("under the root") << "/home/ann/roms" << "/"
                                        << QStringList{"/", "/home", "/home/ann", "/home/ann/roms"};
        QTest::newRow("under a mount point") << "/media/ann/USB/snes" << "/media/ann/USB"
                                             << QStringList{"/media/ann/USB", "/media/ann/USB/snes"};
        QTest::newRow("a drive's own root") << "/media/ann/USB" << "/media/ann/USB" << QStringList{"/media/ann/USB"};
        QTest::newRow("not under the root starts at /") << "/srv/roms" << "/media/ann/USB"
                                                        << QStringList{"/", "/srv", "/srv/roms"};
        QTest::newRow("a name that only begins like the root") << "/mediax/roms" << "/media"
                                                               << QStringList{"/", "/mediax", "/mediax/roms"};
        QTest::newRow("untidy path") << "/home//ann/./roms/" << "/home"
                                     << QStringList{"/home", "/home/ann", "/home/ann/roms"};
        // A name with no folder above it ends the chain (and the walk up) at once.
        QTest::newRow("a bare relative name") << "roms" << "/" << QStringList{"roms"};
    }
    void folderChains()
    {
        QFETCH(QString, folder);
        QFETCH(QString, root);
        QFETCH(QStringList, chain);
        QCOMPARE(folderChain(folder, root), chain);
    }

    void drivesOffered_data()
    {
        QTest::addColumn<QList<MountEntry>>("mounts");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("mountPoints");

        const QList<MountEntry> desktop{
            {"/", "ext4", ""},
            {"/proc", "proc", ""},
            {"/sys", "sysfs", ""},
            {"/sys/fs/cgroup", "cgroup2", ""},
            {"/dev", "devtmpfs", ""},
            {"/run", "tmpfs", ""},
            {"/tmp", "tmpfs", ""},
            {"/boot/efi", "vfat", ""},
            {"/home", "ext4", ""},
            {"/run/media/ann/USB STICK", "vfat", "USB STICK"},
            {"/media/cdrom", "iso9660", "SNES_CD"},
            {"/mnt/nas", "nfs4", ""},
            {"/home/ann/.cache/doc", "fuse.portal", ""},
            {"/snap/core/1", "squashfs", ""},
        };
        QTest::newRow("a desktop")
            << desktop << "/home/ann" << "/home/ann/roms"
            << QStringList{"/", "/home", "/media/cdrom", "/mnt/nas", "/run/media/ann/USB STICK"};
        QTest::newRow("starting on a memory file system adds it")
            << desktop << "/home/ann" << "/tmp/roms"
            << QStringList{"/", "/home", "/media/cdrom", "/mnt/nas", "/run/media/ann/USB STICK", "/tmp"};
        QTest::newRow("home on the root")
            << QList<MountEntry>{{"/", "ext4", ""}, {"/proc", "proc", ""}} << "/root" << "/root"
            << QStringList{"/"};
        QTest::newRow("a mount inside the home folder")
            << QList<MountEntry>{{"/", "ext4", ""}, {"/home/ann/games", "ext4", ""}} << "/home/ann" << "/"
            << QStringList{"/", "/home/ann/games"};
        QTest::newRow("a point mounted twice is offered once")
            << QList<MountEntry>{{"/", "ext4", ""}, {"/media/usb", "vfat", "OLD"}, {"/media/usb", "exfat", "NEW"}}
            << "/root" << "/" << QStringList{"/", "/media/usb"};
    }
    void drivesOffered()
    {
        QFETCH(QList<MountEntry>, mounts);
        QFETCH(QString, home);
        QFETCH(QString, start);
        QFETCH(QStringList, mountPoints);
        QStringList offered;
        for (const Drive &drive : chooseDrives(mounts, home, start))
            offered.append(drive.mountPoint);
        QCOMPARE(offered, mountPoints);
    }

    void driveCaptions()
    {
        const QList<Drive> drives = chooseDrives(
            {{"/", "ext4", ""}, {"/media/usb", "vfat", "OLD"}, {"/media/usb", "exfat", "GAMES"}, {"/mnt/x", "ext4", "/mnt/x"}},
            "/root", "/");
        QCOMPARE(drives.size(), 3);
        QCOMPARE(drives[0].caption, QStringLiteral("/"));
        QCOMPARE(drives[1].caption, QStringLiteral("/media/usb  [GAMES]"));
        QCOMPARE(drives[2].caption, QStringLiteral("/mnt/x"));
    }

    void driveHoldingAFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("index");
        QTest::newRow("on the root") << "/srv/roms" << 0;
        QTest::newRow("on the home drive") << "/home/ann/roms" << 1;
        QTest::newRow("the mount point itself") << "/media/usb" << 2;
        QTest::newRow("a name that only begins like a mount point") << "/media/usb2/roms" << 0;
        QTest::newRow("deepest mount wins") << "/media/usb/inner/x" << 3;
        QTest::newRow("a relative name is on no drive") << "roms" << -1;
    }
    void driveHoldingAFolder()
    {
        QFETCH(QString, folder);
        QFETCH(int, index);
        const QList<Drive> drives{{"/", "/"}, {"/home", "/home"}, {"/media/usb", "usb"}, {"/media/usb/inner", "in"}};
        QCOMPARE(driveIndexFor(folder, drives), qsizetype(index));
    }

    void thisMachineHasARoot()
    {
        const QList<Drive> drives = chooseDrives(mountedFileSystems(), QDir::homePath(), QDir::currentPath());
        QVERIFY(!drives.isEmpty());
        QCOMPARE(drives.first().mountPoint, QStringLiteral("/"));
        QVERIFY(driveIndexFor(QDir::currentPath(), drives) >= 0);
    }
};

QTEST_GUILESS_MAIN(FolderReadingTest)
#include "test_folderreading.moc"
