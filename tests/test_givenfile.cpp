// A file given from outside (command line, Open With, a drop) on a real
// temporary folder, taken as the working folder: what it becomes, and what
// the user is told when it is refused.
#include "system/filenames.h"
#include "system/givenfile.h"
#include "support/fakeemulator.h"

#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tavik;
using Kind = GivenFile::Kind;

class GivenFileTest : public QObject {
    Q_OBJECT

private slots:
    void lookAtGivenFile_data()
    {
        // "@" stands for the folder's absolute path; `folder` is relative to it.
        QTest::addColumn<QString>("given");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("reason");
        const QString pokemon = fileNameFromBytes("Pok\xe9mon.smc");
        const auto rom = [](const char *row, const QString &given, const QString &name, const char *folder) {
            QTest::newRow(row) << given << int(Kind::Rom) << name << QString::fromUtf8(folder) << QString();
        };
        const auto refused = [](const char *row, const QString &given, const char *reason) {
            QTest::newRow(row) << given << int(Kind::Refused) << QString() << QString() << QString::fromUtf8(reason);
        };
        rom("relative, in a subfolder", "roms/My Game (USA).sfc", "My Game (USA).sfc", "roms");
        rom("through . and .. and a link", "./linked/../roms/My Game (USA).sfc", "My Game (USA).sfc", "roms");
        rom("absolute", "@/roms/My Game (USA).sfc", "My Game (USA).sfc", "roms");
        rom("a colon is no URL", "Zelda: A Link.smc", "Zelda: A Link.smc", ".");
        rom("not UTF-8, as argv bytes", "roms/" + pokemon, pokemon, "roms");
        rom("file URL, escaped", "file://@/roms/My%20Game%20(USA).sfc", "My Game (USA).sfc", "roms");
        rom("file URL, localhost, not UTF-8", "FILE://localhost@/roms/Pok%E9mon.smc", pokemon, "roms");
        rom("file URL, not UTF-8, as argv bytes", "file://@/roms/" + pokemon, pokemon, "roms");
        rom("file URL, no host, a fragment", "file:@/GAME.SMC#start", "GAME.SMC", ".");
        QTest::newRow("folder") << "roms/" << int(Kind::Folder) << QString() << "roms" << QString();
        refused("missing", "missing.smc", "there is no such file");
        refused("link to nothing", "gone.smc", "there is no such file");
        refused("named pipe", "pipe.smc", "it is not a regular file");
        refused("empty", "", "it is no file name");
        refused("URL of another computer", "file://server/roms/GAME.SMC", "it is not a file on this computer");
        refused("web address", "https://example.com/GAME.SMC", "it is not a file on this computer");
        refused("URL with a nul byte", "file:///GAME%00.SMC", "it is no file name");
        if (::geteuid() != 0)
            refused("unreadable", "locked.smc", "it cannot be read");
    }
    void lookAtGivenFile()
    {
        QFETCH(QString, given);
        QFETCH(int, kind);
        QFETCH(QString, fileName);
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        testing::TemporaryFolder dir;
        testing::WorkingFolderGuard back;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        QVERIFY(QDir(root).mkdir(QStringLiteral("roms")) && QDir::setCurrent(root));
        for (const char *name : {"GAME.SMC", "Zelda: A Link.smc", "roms/My Game (USA).sfc", "locked.smc"})
            testing::writeFile(QString::fromUtf8(name));
        testing::makeByBytes(QStringLiteral("roms/") + fileNameFromBytes("Pok\xe9mon.smc"), false);
        QVERIFY(::chmod("locked.smc", 0) == 0 && ::mkfifo("pipe.smc", 0600) == 0);
        QVERIFY(QFile::link(QStringLiteral("nowhere"), QStringLiteral("gone.smc")));
        QVERIFY(QFile::link(QStringLiteral("roms"), QStringLiteral("linked")));
        given.replace(u'@', root);
        const GivenFile file = tavik::lookAtGivenFile(given);
        QCOMPARE(int(file.kind), kind);
        QCOMPARE(file.fileName, fileName);
        QCOMPARE(file.folder, folder.isEmpty() ? QString() : QDir::cleanPath(root + u'/' + folder));
        // The user learns what was given, as given, and why it was not taken.
        QVERIFY2(kind == int(Kind::Refused) ? file.message.contains(u'"' + fileNameForDisplay(given) + QStringLiteral("\": ") + reason)
                                            : file.message.isEmpty(), qPrintable(file.message));
    }
};

QTEST_GUILESS_MAIN(GivenFileTest)
#include "test_givenfile.moc"
