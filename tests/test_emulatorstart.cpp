// Program lookup and the real, detached start of a stand-in emulator in temporary folders.
#include "system/emulatorstart.h"
#include "system/spawn.h"
#include "system/startdiagnosis.h"
#include "system/filenames.h"
#include "system/programlookup.h"
#include "support/fakeemulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <grp.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavik;
using namespace tavik::testing;

namespace {

const QString emulatorName = QStringLiteral("snes9x.exe");

// Early ends the watch thread has logged, and the handler that was there before.
std::atomic<int> earlyEndsLogged{0};
QtMessageHandler previousHandler = nullptr;

EmulatorCommand command(const QString &switches = QStringLiteral("-m 9 "), const QString &rom = QStringLiteral("G.smc"))
{
    return {emulatorName, switches, rom};
}

// Each test's starts are watched by one watch, which reports early ends to
// the test that asks (see earlyEndIsReported).
Outcome startEmulator(const EmulatorCommand &command, const QString &runFolder, const StartEnvironment &environment)
{
    static EndWatch watch;
    return StartEmulator(command, runFolder, watch, environment);
}

// The start promises a running emulator at once, and its collection as soon
// as it ends; the tests wait for either with this margin, for a machine
// loaded with other work.
constexpr int loadMargin = 10000; // ms

// A stand-in emulator that writes to `record`: its process number, its
// session, what its standard input is, its ignored and its blocked signals
// (as /proc shows them); then, when `go` is given, it runs on until that file
// exists (at most about twenty seconds) before it ends.
QByteArray reportingEmulator(const QString &record, const QString &go = {})
{
    return QStringLiteral("#!/bin/sh\n"
                          "out='%1'\n"
                          "go='%2'\n"
                          // The signal masks are read by the shell itself: while it waits
                          // for a command of its own, it blocks every signal for a moment.
                          "while IFS= read -r line; do case $line in\n"
                          "  SigIgn:*) ignored=${line#*:} ;; SigBlk:*) blocked=${line#*:} ;; esac\n"
                          "done < /proc/$$/status\n"
                          "{ echo $$; cut -d' ' -f6 /proc/$$/stat; readlink /proc/$$/fd/0;\n"
                          "  echo $ignored; echo $blocked;\n"
                          "} > \"$out.tmp\"\n"
                          "mv \"$out.tmp\" \"$out\"\n"
                          "i=0\n"
                          "while [ -n \"$go\" ] && [ ! -e \"$go\" ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); done\n")
        .arg(record, go)
        .toUtf8();
}

// True while `pid` is a child of this process that has ended and not been collected.
bool zombieOfOurs(const QString &pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() > 3 && fields[2] == "Z" && fields[3].toLongLong() == ::getpid();
}

// Every child of this process that has ended and not been collected.
QStringList zombiesOfOurs()
{
    QStringList zombies;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs)) {
        if (zombieOfOurs(pid))
            zombies.append(pid);
    }
    return zombies;
}

bool runningProcess(const QString &pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() > 2 && fields[2] != "Z";
}

// While it lives, this test's error output goes to /dev/null.
class QuietErrorOutput {
public:
    QuietErrorOutput() : m_saved(::dup(STDERR_FILENO))
    {
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
    ~QuietErrorOutput()
    {
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    QuietErrorOutput(const QuietErrorOutput &) = delete;
    QuietErrorOutput &operator=(const QuietErrorOutput &) = delete;

private:
    const int m_saved;
};

// The processor time the watches' threads have used, in clock ticks.
qint64 watchTicks()
{
    qint64 ticks = 0;
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll() != "tavik watch\n" || !stat.open(QIODevice::ReadOnly))
            continue;
        // After the name in brackets, from the state (field 3): utime and stime are 14 and 15.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        ticks += fields.value(11).toLongLong() + fields.value(12).toLongLong();
    }
    return ticks;
}

qsizetype openDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
        .size();
}

// Whether signal `number` is in a /proc signal mask written in hexadecimal.
bool inSignalMask(const QString &mask, int number)
{
    return (mask.toULongLong(nullptr, 16) >> (number - 1)) & 1U;
}

std::optional<QString> asOrdinaryUser(const std::function<QString()> &check)
{
    if (::geteuid() != 0)
        return check();
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const uid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setresgid(nobody, nobody, nobody) != 0
            || ::setresuid(nobody, nobody, nobody) != 0)
            ::_exit(2);
        const QByteArray answer = check().toUtf8();
        const bool written = ::write(channel[1], answer.constData(), std::size_t(answer.size())) == answer.size();
        ::_exit(written ? 0 : 3);
    }
    ::close(channel[1]);
    QByteArray answer;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return QString::fromUtf8(answer);
}

// A copy of the launcher is this test program run again, in a process of
// its own that has started nothing yet (see launcherCopy()).
constexpr const char *launcherCopyOption = "--launcher-copy";

// Runs a copy of the launcher with `arguments`, after `beforeCopy` (which
// may only make system calls) has succeeded in the forked process; returns
// the copy's exit status, or -1.
int runLauncherCopy(const QStringList &arguments, const std::function<bool()> &beforeCopy = {})
{
    QList<QByteArray> words{"/proc/self/exe", launcherCopyOption};
    for (const QString &argument : arguments)
        words.append(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t copy = ::fork();
    if (copy == 0) {
        if (!beforeCopy || beforeCopy())
            ::execv(argv[0], argv.data());
        ::_exit(2);
    }
    int status = 0;
    if (copy < 0 || ::waitpid(copy, &status, 0) != copy || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void openUpForEveryone(const QString &path)
{
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                            | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
}

} // namespace

class EmulatorStartTest : public QObject {
    Q_OBJECT

private slots:
    void lookupOrder_data()
    {
        QTest::addColumn<QStringList>("holders"); // folders that hold a snes9x.exe
        QTest::addColumn<QString>("winner");
        QTest::newRow("launcher folder first") << QStringList{"launcher", "working", "path1"} << "launcher";
        QTest::newRow("then the working folder") << QStringList{"working", "path1"} << "working";
        QTest::newRow("then PATH in order") << QStringList{"path2", "path1"} << "path1";
        QTest::newRow("last PATH folder") << QStringList{"path2"} << "path2";
        QTest::newRow("nowhere") << QStringList{} << "";
    }
    void lookupOrder()
    {
        QFETCH(QStringList, holders);
        QFETCH(QString, winner);
        QTemporaryDir root;
        QDir dir(root.path());
        for (const char *name : {"launcher", "working", "path1", "path2", "decoy"})
            QVERIFY(dir.mkdir(QString::fromLatin1(name)));
        // A folder of that name is not a program and never wins.
        QVERIFY(dir.mkpath(QStringLiteral("decoy/") + emulatorName));
        for (const QString &holder : holders)
            writeFile(dir.filePath(holder + QLatin1Char('/') + emulatorName), "#!/bin/sh\n", true);
        const QString path = QStringList{dir.filePath("decoy"), QString(), dir.filePath("path1"),
                                         dir.filePath("path2")}
                                 .join(QLatin1Char(':'));
        const QStringList folders =
            programSearchFolders(dir.filePath("launcher"), dir.filePath("working"), path);
        QCOMPARE(folders.size(), 5);
        const QString found = findProgram(emulatorName, folders);
        QCOMPARE(found, winner.isEmpty() ? QString() : dir.filePath(winner + QLatin1Char('/') + emulatorName));
    }

    void searchedFoldersHaveNoRepeats_data()
    {
        QTest::addColumn<QString>("path"); // ':'-separated, with L for the launcher's and W for the working folder
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no repeats") << "p1:p2" << QStringList{"L", "W", "p1", "p2"};
        QTest::newRow("PATH names a folder twice") << "p1:p2:p1" << QStringList{"L", "W", "p1", "p2"};
        QTest::newRow("PATH names the launcher's and the working folder") << "W:p1:L"
                                                                          << QStringList{"L", "W", "p1"};
        QTest::newRow("a trailing slash or a dot is the same folder") << "p1:p1/:p1/.:W/" << QStringList{"L", "W", "p1"};
        QTest::newRow("a link to a folder already searched") << "link-to-p1:p1:p2" << QStringList{"L", "W", "link-to-p1", "p2"};
        QTest::newRow("folders that do not exist, twice") << "gone:gone/" << QStringList{"L", "W", "gone"};
    }
    void searchedFoldersHaveNoRepeats()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, expected);
        QTemporaryDir root;
        QDir dir(root.path());
        for (const char *name : {"L", "W", "p1", "p2"})
            QVERIFY(dir.mkdir(QString::fromLatin1(name)));
        QVERIFY(QFile::link(dir.filePath("p1"), dir.filePath("link-to-p1")));
        QStringList pathFolders;
        for (const QString &entry : path.split(QLatin1Char(':')))
            pathFolders.append(dir.filePath(entry));
        QStringList expectedFolders;
        for (const QString &entry : expected)
            expectedFolders.append(dir.filePath(entry));
        QCOMPARE(programSearchFolders(dir.filePath("L"), dir.filePath("W"), pathFolders.join(QLatin1Char(':'))),
                 expectedFolders);
    }

    // A folder whose name is not UTF-8 is searched under its own name, as
    // the launcher's folder and on PATH.
    void programInFolderWithLatin1Name_data()
    {
        QTest::addColumn<bool>("asLauncherFolder");
        QTest::newRow("on PATH") << false;
        QTest::newRow("the launcher's folder") << true;
    }
    void programInFolderWithLatin1Name()
    {
        QFETCH(bool, asLauncherFolder);
        TemporaryFolder root, working;
        const QString folder = root.path() + fileNameFromBytes("/Jeux r\xe9tro");
        QCOMPARE(::mkdir(fileNameToBytes(folder).constData(), 0755), 0);
        const QString record = working.filePath(QStringLiteral("received.txt"));
        const QByteArray program = fileNameToBytes(folder) + "/snes9x.exe";
        const QByteArray script = recorderScript(record);
        FILE *file = std::fopen(program.constData(), "w");
        QVERIFY(file && std::fwrite(script.constData(), 1, std::size_t(script.size()), file) == std::size_t(script.size()));
        std::fclose(file);
        QCOMPARE(::chmod(program.constData(), 0755), 0);
        const StartEnvironment environment = asLauncherFolder ? StartEnvironment{folder, working.path(), {}}
                                                              : StartEnvironment{{}, working.path(), folder};
        const Outcome started = startEmulator(command(QString(), QStringLiteral("G.smc")), {}, environment);
        QVERIFY2(started.ok, qPrintable(started.reason));
        QCOMPARE(waitForRecord(record), QStringList({QDir(working.path()).canonicalPath(), "G.smc"}));
    }

    void notFoundListsEachFolderOnce()
    {
        QTemporaryDir launcher, bin;
        const QString path = QStringList{bin.path(), launcher.path(), bin.path()}.join(QLatin1Char(':'));
        const QString problem = startEmulator(command(), {}, {launcher.path(), launcher.path(), path}).reason;
        QCOMPARE(problem, QStringLiteral("The emulator snes9x.exe could not be found. It was looked for in:\n"
                                         "  %1\n  %2")
                              .arg(launcher.path(), bin.path()));
    }

    // Entries of the emulator's name that can never run are named, not passed
    // over as if nothing were there.
    void nonProgramsAreNamed_data()
    {
        QTest::addColumn<QString>("inLauncher"); // what stands as snes9x.exe in each folder
        QTest::addColumn<QString>("inPath");
        QTest::addColumn<QString>("expected"); // %1 launcher, %2 working, %3 PATH folder
        const QString searched = QStringLiteral("No program snes9x.exe was found. It was looked for in:\n"
                                                "  %1\n  %2\n  %3");
        QTest::newRow("a folder") << "folder" << "" << "%1/snes9x.exe is a folder, not a program.\n" + searched;
        QTest::newRow("a link to nothing") << "" << "dangling" << "%3/snes9x.exe is a link to nothing.\n" + searched;
        QTest::newRow("a link to a folder") << "" << "folder link" << "%3/snes9x.exe is a folder, not a program.\n" + searched;
        QTest::newRow("both, in search order")
            << "dangling" << "folder" << "%1/snes9x.exe is a link to nothing.\n%3/snes9x.exe is a folder, not a program.\n" + searched;
        QTest::newRow("a named pipe") << "" << "fifo" << "%3/snes9x.exe is a named pipe, not a program.\n" + searched;
        QTest::newRow("a program further on still wins") << "folder" << "program" << "";
    }
    void nonProgramsAreNamed()
    {
        QFETCH(QString, inLauncher);
        QFETCH(QString, inPath);
        QFETCH(QString, expected);
        QTemporaryDir launcher, working, bin, elsewhere;
        auto make = [&](const QString &kind, const QString &folder) {
            const QString at = folder + QLatin1Char('/') + emulatorName;
            if (kind == QLatin1String("folder"))
                QVERIFY(QDir().mkdir(at));
            else if (kind == QLatin1String("dangling"))
                QVERIFY(QFile::link(elsewhere.filePath(QStringLiteral("gone")), at));
            else if (kind == QLatin1String("folder link"))
                QVERIFY(QFile::link(elsewhere.path(), at));
            else if (kind == QLatin1String("program"))
                writeFile(at, "#!/bin/sh\n", true);
            else if (kind == QLatin1String("fifo"))
                QCOMPARE(::mkfifo(QFile::encodeName(at).constData(), 0755), 0);
        };
        make(inLauncher, launcher.path());
        make(inPath, bin.path());
        const ProcessPlan plan = planEmulatorStart(command(), {launcher.path(), working.path(), bin.path()});
        QCOMPARE(plan.outcome.reason, expected.isEmpty() ? QString() : expected.arg(launcher.path(), working.path(), bin.path()));
    }

    void runFolderThatCannotBeEnteredIsNamed()
    {
        QTemporaryDir launcher, working, roms;
        writeFile(launcher.filePath(emulatorName), "#!/bin/sh\n", true);
        for (const QString &folder : {launcher.path(), working.path()})
            openUpForEveryone(folder);
        openUpForEveryone(launcher.filePath(emulatorName));
        // Listable, not enterable.
        QVERIFY(QFile::setPermissions(roms.path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const std::optional<QString> problem = asOrdinaryUser([&] {
            return startEmulator(command(), roms.path(), {launcher.path(), working.path(), {}}).reason;
        });
        openUpForEveryone(roms.path());
        if (!problem)
            QSKIP("the superuser's rights could not be given up for this check");
        QCOMPARE(*problem, QStringLiteral("The folder %1, where the emulator is to run, cannot be entered: "
                                          "Permission denied.")
                               .arg(roms.path()));
    }

    void deletedWorkingFolderIsNamed()
    {
        QTemporaryDir launcher, working;
        writeFile(launcher.filePath(emulatorName), "#!/bin/sh\n", true);
        const QString gone = QDir(working.path()).canonicalPath();
        StartEnvironment environment;
        {
            const WorkingFolderGuard restore;
            QVERIFY(QDir::setCurrent(gone));
            QVERIFY(working.remove());
            environment = StartEnvironment::current();
        }
        QCOMPARE(environment.workingFolder, gone);
        environment.launcherFolder = launcher.path();
        QCOMPARE(startEmulator(command(), {}, environment).reason,
                 QStringLiteral("The folder %1, where the emulator is to run, no longer exists.").arg(gone));
        // Where even its name is unknown, the message says so without one.
        environment.workingFolder.clear();
        QCOMPARE(startEmulator(command(), {}, environment).reason,
                 QStringLiteral("The working folder, where the emulator is to run, no longer exists."));
    }

    // What the emulator receives: the switch text split by the Microsoft C
    // runtime's rules, then the ROM text whole as the last argument.
    void emulatorReceivesExactArguments_data()
    {
        QTest::addColumn<QString>("switches");
        QTest::addColumn<QString>("rom");
        QTest::addColumn<QStringList>("expected"); // after the run folder
        const QString typical = QStringLiteral("-m 10 -f 0 -stereo  -ratio 1+ -h 100 ");
        const QStringList typicalArguments{"-m", "10", "-f", "0", "-stereo", "-ratio", "1+", "-h", "100"};
        QTest::newRow("plain") << typical << "GAME.SMC" << typicalArguments + QStringList{"GAME.SMC"};
        QTest::newRow("blanks and brackets") << typical << "My Game (USA).sfc"
                                             << typicalArguments + QStringList{"My Game (USA).sfc"};
        QTest::newRow("blanks, quotes and a trailing backslash")
            << typical << "My \"Best\" Game \\" << typicalArguments + QStringList{"My \"Best\" Game \\"};
        QTest::newRow("quotes and backslashes") << typical << "a \"b\" \\c\\\".smc"
                                                << typicalArguments + QStringList{"a \"b\" \\c\\\".smc"};
        QTest::newRow("non-ASCII") << typical << QString::fromUtf8("Gämé – ★.sfc")
                                   << typicalArguments + QStringList{QString::fromUtf8("Gämé – ★.sfc")};
        QTest::newRow("a blank ROM text") << typical << " " << typicalArguments + QStringList{" "};
        QTest::newRow("no ROM text: no argument for it") << typical << "" << typicalArguments;
        QTest::newRow("cheat codes split by the rules, ROM whole")
            << "-m 9 -gg \"A B\" C\\\"D  \"E " << "x \"y\".smc" << QStringList{"-m", "9", "-gg", "A B", "C\"D", "E ", "x \"y\".smc"};
    }
    void emulatorReceivesExactArguments()
    {
        QFETCH(QString, switches);
        QFETCH(QString, rom);
        QFETCH(QStringList, expected);
        QTemporaryDir launcher, working;
        const QString record = working.filePath(QStringLiteral("received.txt"));
        writeFile(launcher.filePath(emulatorName), recorderScript(record), true);

        const Outcome started = startEmulator(command(switches, rom), {}, {launcher.path(), working.path(), {}});
        QVERIFY2(started.ok, qPrintable(started.reason));
        QCOMPARE(waitForRecord(record), QStringList{QDir(working.path()).canonicalPath()} + expected);
    }

    // ROM texts that a shell would act on. Each is first shown to leave its
    // mark when a shell reads it, so that the check after the real start can
    // fail; then the start must hand it over as one argument and leave none.
    void shellTextIsNeverInterpreted_data()
    {
        QTest::addColumn<QString>("rom");
        for (const char *rom : {"$(touch pwned); x.smc", "`touch pwned`.smc", "x.smc; touch pwned",
                                "x.smc && touch pwned", "x.smc | touch pwned", "x.smc > pwned"})
            QTest::newRow(rom) << QString::fromLatin1(rom);
    }
    void shellTextIsNeverInterpreted()
    {
        QFETCH(QString, rom);
        QTemporaryDir launcher, working, shellFolder;
        const QString mark = QStringLiteral("pwned");
        QProcess shell;
        shell.setWorkingDirectory(shellFolder.path());
        shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("true -m 9 ") + rom});
        QVERIFY(shell.waitForFinished(loadMargin));
        QVERIFY2(QFile::exists(shellFolder.filePath(mark)), "a shell reading this text would leave no mark");

        const QString record = working.filePath(QStringLiteral("received.txt"));
        writeFile(launcher.filePath(emulatorName), recorderScript(record), true);
        const Outcome started = startEmulator(command(QStringLiteral("-m 9 "), rom), {},
                                              {launcher.path(), working.path(), {}});
        QVERIFY2(started.ok, qPrintable(started.reason));
        QCOMPARE(waitForRecord(record), QStringList({QDir(working.path()).canonicalPath(), "-m", "9", rom}));
        QVERIFY(!QFile::exists(working.filePath(mark)));
        QVERIFY(!QFile::exists(launcher.filePath(mark)));
    }

    void runsInTheRomsFolder_data()
    {
        QTest::addColumn<QByteArray>("romFolder"); // made in a temporary folder; empty: none given
        QTest::addColumn<QByteArray>("rom");
        QTest::newRow("in the ROM's folder") << QByteArray("roms") << QByteArray("Game.smc");
        QTest::newRow("no ROM folder: in the working folder") << QByteArray() << QByteArray("Game.smc");
        // Names that are not UTF-8 reach the emulator byte for byte.
        QTest::newRow("Latin-1, in a Latin-1 folder")
            << QByteArray("Jeux r\xe9tro") << QByteArray("Pok\xe9mon (Fran\xe7" "e).smc");
    }
    void runsInTheRomsFolder()
    {
        QFETCH(QByteArray, romFolder);
        QFETCH(QByteArray, rom);
        QTemporaryDir launcher, working, roms;
        const QString record = working.filePath(QStringLiteral("received.txt"));
        writeFile(launcher.filePath(emulatorName), recorderScript(record), true);
        const QString runFolder = romFolder.isEmpty()
                                      ? QString()
                                      : QDir(roms.path()).canonicalPath() + u'/' + fileNameFromBytes(romFolder);
        if (!runFolder.isEmpty())
            makeByBytes(runFolder, true);

        const Outcome started = startEmulator(command(QStringLiteral("-m 9 "), fileNameFromBytes(rom)), runFolder,
                                              {launcher.path(), working.path(), {}});
        QVERIFY2(started.ok, qPrintable(started.reason));
        QVERIFY(!waitForRecord(record).isEmpty());
        QFile received(record);
        QVERIFY(received.open(QIODevice::ReadOnly));
        const QString expected = runFolder.isEmpty() ? QDir(working.path()).canonicalPath() : runFolder;
        QCOMPARE(received.readAll(), fileNameToBytes(expected) + "\n-m\n9\n" + rom + '\n');
    }

    void vanishedRomFolderIsReported()
    {
        QTemporaryDir launcher, working;
        writeFile(launcher.filePath(emulatorName), "#!/bin/sh\n", true);
        const QString gone = working.filePath(QStringLiteral("removed since"));
        const QString problem = startEmulator(command(), gone, {launcher.path(), working.path(), {}}).reason;
        QVERIFY2(problem.contains(gone) && problem.contains(QStringLiteral("no longer exists")), qPrintable(problem));
    }

    // The emulator runs on its own: in a session of its own (the launcher's
    // terminal and its end do not reach it), reading /dev/null, with no signal
    // ignored or blocked that the launcher ignores or blocks; and once it has
    // ended, nothing of it is left among the launcher's children.
    void startedProgramIsIndependentAndLeavesNoZombie()
    {
        QTemporaryDir launcher, working;
        const QString record = working.filePath(QStringLiteral("received.txt"));
        writeFile(launcher.filePath(emulatorName), reportingEmulator(record), true);
        struct sigaction ignore {}, before {};
        ignore.sa_handler = SIG_IGN;
        QCOMPARE(::sigaction(SIGUSR1, &ignore, &before), 0);
        sigset_t blocked, blockedBefore;
        ::sigemptyset(&blocked);
        ::sigaddset(&blocked, SIGUSR2);
        QCOMPARE(::pthread_sigmask(SIG_BLOCK, &blocked, &blockedBefore), 0);
        const Outcome started = startEmulator(command(), {}, {launcher.path(), working.path(), {}});
        ::pthread_sigmask(SIG_SETMASK, &blockedBefore, nullptr);
        ::sigaction(SIGUSR1, &before, nullptr);
        QVERIFY2(started.ok, qPrintable(started.reason));

        const QStringList received = waitForRecord(record);
        QCOMPARE(received.size(), 5);
        QVERIFY2(received[1].toLongLong() != ::getsid(0), qPrintable(received[1]));
        QCOMPARE(received[2], QStringLiteral("/dev/null"));
        QVERIFY2(!inSignalMask(received[3], SIGUSR1), qPrintable(received[3]));
        QVERIFY2(!inSignalMask(received[4], SIGUSR2), qPrintable(received[4]));
        QVERIFY2(QTest::qWaitFor([&] { return !zombieOfOurs(received[0]); }, loadMargin), qPrintable(received[0]));
    }

    // Each emulator is collected when it ends, whatever the others do: one
    // that ends while an earlier one still runs leaves no zombie either.
    void eachEndIsCollectedWhileOthersRun()
    {
        QTemporaryDir launcher, working;
        const QString go = working.filePath(QStringLiteral("go"));
        const QString first = working.filePath(QStringLiteral("first.txt"));
        const QString second = working.filePath(QStringLiteral("second.txt"));
        writeFile(launcher.filePath(emulatorName), reportingEmulator(first, go), true);
        QVERIFY(startEmulator(command(), {}, {launcher.path(), working.path(), {}}).ok);
        const QStringList running = waitForRecord(first);
        QVERIFY(!running.isEmpty());

        QVERIFY(QFile::remove(launcher.filePath(emulatorName)));
        writeFile(launcher.filePath(emulatorName), reportingEmulator(second), true);
        QVERIFY(startEmulator(command(), {}, {launcher.path(), working.path(), {}}).ok);
        const QStringList ended = waitForRecord(second);
        QVERIFY(!ended.isEmpty());
        QVERIFY2(QTest::qWaitFor([&] { return !zombieOfOurs(ended[0]); }, loadMargin), qPrintable(ended[0]));
        QVERIFY(runningProcess(running[0]));

        writeFile(go);
        QVERIFY2(QTest::qWaitFor([&] { return !QFile::exists(QStringLiteral("/proc/") + running[0]); }, loadMargin),
                 qPrintable(running[0]));
    }

    // Starts in quick succession, each emulator ending at once while the next
    // is started: every start succeeds, and none is left uncollected.
    void manyStartsInARowAllSucceed()
    {
        QTemporaryDir launcher, working;
        QVERIFY(QFile::link(QStringLiteral("/bin/true"), launcher.filePath(emulatorName)));
        qsizetype afterFirst = 0;
        for (int i = 0; i < 300; ++i) {
            const Outcome started = startEmulator(command(), {}, {launcher.path(), working.path(), {}});
            QVERIFY2(started.ok, qPrintable(QStringLiteral("start %1: %2").arg(i).arg(started.reason)));
            if (i == 0) {
                QVERIFY(QTest::qWaitFor([] { return zombiesOfOurs().isEmpty(); }, loadMargin));
                afterFirst = openDescriptors();
            }
        }
        QVERIFY2(QTest::qWaitFor([] { return zombiesOfOurs().isEmpty(); }, loadMargin),
                 qPrintable(zombiesOfOurs().join(QLatin1Char(' '))));
        // Once every emulator has ended, the launcher holds no more descriptors
        // than after the first start: none is kept per start.
        QVERIFY2(QTest::qWaitFor([&] { return openDescriptors() <= afterFirst; }, loadMargin),
                 qPrintable(QStringLiteral("%1 then %2").arg(afterFirst).arg(openDescriptors())));
    }

    // Ending the launcher leaves the emulator running: the stand-in writes its
    // report only once the launcher has ended and the test lets it go on.
    void emulatorOutlivesTheLauncher()
    {
        QTemporaryDir launcher, working;
        const QString go = working.filePath(QStringLiteral("go"));
        const QString record = working.filePath(QStringLiteral("received.txt"));
        writeFile(launcher.filePath(emulatorName),
                  QStringLiteral("#!/bin/sh\n"
                                 "i=0\n"
                                 "while [ ! -e '%1' ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); done\n"
                                 "[ -e '%1' ] && echo still running > '%2.tmp' && mv '%2.tmp' '%2'\n")
                      .arg(go, record)
                      .toUtf8(),
                  true);
        QCOMPARE(runLauncherCopy({launcher.path(), working.path()}), 0);
        writeFile(go);
        QCOMPARE(waitForRecord(record), QStringList{"still running"});
    }

    void windowsProgramRunsThroughWine()
    {
        QTemporaryDir launcher, working, bin;
        const QString record = working.filePath(QStringLiteral("received.txt"));
        writeFile(launcher.filePath(emulatorName), "MZ\x90\x00 not really a program", false);
        writeFile(bin.filePath(QStringLiteral("wine")), recorderScript(record), true);
        // A wine in the working folder is not the one on PATH: it is never run
        // (it would record elsewhere, and the record above would not come).
        writeFile(working.filePath(QStringLiteral("wine")),
                  recorderScript(working.filePath(QStringLiteral("wrong-wine.txt"))), true);

        const Outcome started = startEmulator(command(QStringLiteral("-m 9 "), QStringLiteral("My Game.sfc")), {},
                                              {launcher.path(), working.path(), bin.path()});
        QVERIFY2(started.ok, qPrintable(started.reason));
        QCOMPARE(waitForRecord(record),
                 QStringList({QDir(working.path()).canonicalPath(), launcher.filePath(emulatorName), "-m", "9",
                              "My Game.sfc"}));
    }

    // A text that stands for no bytes (a lone surrogate that kept no byte of
    // a name) could reach the emulator only changed: nothing starts.
    void textsThatNameNoBytesStartNothing_data()
    {
        QTest::addColumn<QString>("rom");
        QTest::addColumn<QString>("runFolder"); // under a temporary folder
        QTest::newRow("in the ROM text") << QString::fromUtf16(u"\xD800.smc") << "";
        QTest::newRow("in the run folder") << "G.smc" << QString::fromUtf16(u"\xDC41");
    }
    void textsThatNameNoBytesStartNothing()
    {
        QFETCH(QString, rom);
        QFETCH(QString, runFolder);
        QTemporaryDir launcher, working;
        const QString record = working.filePath(QStringLiteral("received.txt"));
        writeFile(launcher.filePath(emulatorName), recorderScript(record), true);
        const Outcome started = startEmulator(command(QStringLiteral("-m 9 "), rom), working.filePath(runFolder),
                                              {launcher.path(), working.path(), {}});
        QVERIFY(!started.ok);
        QTest::qWait(300);
        QVERIFY(!QFile::exists(record));
    }

    void failureReasons_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("not found names the folders") << "none" << "could not be found";
        QTest::newRow("not executable") << "plain" << "is not executable";
        QTest::newRow("Windows program without wine") << "mz" << "wine";
        QTest::newRow("missing interpreter") << "badinterpreter" << "names, /nonexistent/interpreter, does not exist.";
        QTest::newRow("Windows line ends") << "crlf" << "names, /bin/sh\\r, does not exist.";
        QTest::newRow("a long PATH is cut") << "longpath" << "\n  and 294 more";
    }
    void failureReasons()
    {
        QFETCH(QString, setup);
        QFETCH(QString, reasonPart);
        QTemporaryDir launcher, working, emptyBin;
        const QString program = launcher.filePath(emulatorName);
        if (setup == QLatin1String("plain"))
            writeFile(program, "#!/bin/sh\n", false);
        else if (setup == QLatin1String("mz"))
            writeFile(program, "MZ", true);
        else if (setup == QLatin1String("badinterpreter"))
            writeFile(program, "#!/nonexistent/interpreter\n", true);
        else if (setup == QLatin1String("crlf"))
            writeFile(program, "#!/bin/sh\r\nexit 0\r\n", true);
        QString path = emptyBin.path();
        if (setup == QLatin1String("longpath")) {
            QFile::remove(program);
            for (int i = 0; i < 299; ++i)
                path += QStringLiteral(":%1/%2").arg(emptyBin.path()).arg(i);
        }

        const auto failedStart = [&] { return startEmulator(command(), {}, {launcher.path(), working.path(), path}).reason; };
        const QString problem = failedStart();
        QVERIFY2(problem.contains(reasonPart), qPrintable(problem));
        QVERIFY2(problem.count(QLatin1Char('\n')) < 12, qPrintable(problem));
        // Nothing of a failed start is kept: once what it began has ended, a
        // second one leaves no more descriptors than the first.
        QTest::qWait(100);
        const qsizetype afterFirst = openDescriptors();
        failedStart();
        QVERIFY2(QTest::qWaitFor([&] { return openDescriptors() <= afterFirst; }, loadMargin),
                 qPrintable(QStringLiteral("%1 then %2").arg(afterFirst).arg(openDescriptors())));
        if (setup == QLatin1String("none")) {
            for (const QString &folder : {launcher.path(), working.path(), emptyBin.path()})
                QVERIFY2(problem.contains(folder), qPrintable(problem));
        }
    }

    // An emulator that fails at once is reported with its truly last words,
    // made safe to show; one that ends well, or fails only after the first
    // seconds, is not. Meanwhile the watch rests: it wakes for what happens.
    void earlyEndIsReported_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("rom"); // under the working folder
        QTest::addColumn<bool>("throughWine"); // the script is wine, snes9x.exe a Windows program
        QTest::addColumn<QStringList>("reported"); // parts of the report; empty when none is due
        QTest::newRow("wine cannot run it")
            << QByteArray("echo 'wine: could not load kernel32.dll' >&2\n"
                          "echo 'it looks like wine32 is missing, you should install it.' >&2\nexit 1\n")
            << "G.smc" << false
            << QStringList{"ended with exit code 1 as soon as it started",
                           "It last wrote:\nwine: could not load kernel32.dll\nit looks like wine32 is missing"};
        QTest::newRow("a signal") << QByteArray("kill -SEGV $$\n") << "G.smc" << false
                                  << QStringList{"was ended by the signal SIGSEGV (Segmentation fault)"};
        QTest::newRow("only the last lines")
            << QByteArray("i=0; while [ $i -lt 400 ]; do i=$((i+1)); echo \"line $i\" >&2; done; exit 2\n") << "G.smc" << false
            << QStringList{"It last wrote:\nline 395\nline 396\nline 397\nline 398\nline 399\nline 400"};
        QTest::newRow("the truly last, after 300 KiB")
            << QByteArray("{ head -c 307200 /dev/zero | tr '\\0' x | fold -w 100; echo; echo 'the last words'; } > words\n"
                          "cat words >&2; exit 1\n")
            << "G.smc" << false << QStringList{"xxx\nthe last words"};
        QTest::newRow("a 10 KB line, shown by its end")
            << QByteArray("echo 'the line before' >&2; head -c 10000 /dev/zero | tr '\\0' y >&2; echo ' its end' >&2; "
                          "exit 1\n")
            << "G.smc" << false << QStringList{"It last wrote:\nthe line before\n...yyy", "yyy its \nend"};
        QTest::newRow("control and direction characters spelt out")
            << QByteArray("printf 'bell\\a esc\\033[31m nul\\000 end\\n' >&2; "
                          "printf 'rtl \\342\\200\\256 reversed\\n' >&2; exit 1\n")
            << "G.smc" << false << QStringList{"bell\\x07 esc\\x1b[31m nul\\x00 end\nrtl \\u202e reversed"};
        QTest::newRow("named by the plan, not by a Windows program given as the ROM")
            << QByteArray("exit 3\n") << "windows.exe" << false << QStringList{"ended with exit code 3"};
        QTest::newRow("through wine, named by its Windows program")
            << QByteArray("echo 'wine: could not load kernel32.dll' >&2; exit 1\n") << "G.smc" << true
            << QStringList{"It last wrote:\nwine: could not load kernel32.dll"};
        QTest::newRow("a process it started holds its error output")
            << QByteArray("sleep 12 & echo $! > background; echo 'gave up' >&2; exit 1\n") << "G.smc" << false
            << QStringList{"It last wrote:\ngave up"};
        QTest::newRow("ends well at once") << QByteArray("echo 'all fine' >&2\nexit 0\n") << "G.smc" << false << QStringList{};
        // Once the copy is closed, the emulator's writes still go through.
        QTest::newRow("fails after the first seconds")
            << QByteArray("sleep 5.3; head -c 300000 /dev/zero >&2; exit 1\n") << "G.smc" << false << QStringList{};
    }
    void earlyEndIsReported()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, rom);
        QFETCH(bool, throughWine);
        QFETCH(QStringList, reported);
        QTemporaryDir launcher, working, bin;
        writeFile(working.filePath(QStringLiteral("windows.exe")), "MZ\x90\x00", false);
        const QString record = working.filePath(QStringLiteral("pid"));
        const QByteArray standIn = "#!/bin/sh\necho $$ > '" + QFile::encodeName(record) + ".tmp'; mv '"
                                   + QFile::encodeName(record) + ".tmp' '" + QFile::encodeName(record) + "'\n" + script;
        writeFile(launcher.filePath(emulatorName), throughWine ? QByteArray("MZ\x90\x00") : standIn, true);
        writeFile(bin.filePath(QStringLiteral("wine")), standIn, true);
        // What the stand-ins write passes on to this test's error output: not here.
        const QuietErrorOutput quiet;
        QObject context;
        QStringList got;
        const qint64 restingBefore = watchTicks();
        std::optional<EndWatch> watch(std::in_place, &context, [&got](const QString &message) { got.append(message); });
        const Outcome started = StartEmulator(command(QString(), working.filePath(rom)), {}, *watch,
                                              {launcher.path(), working.path(), bin.path()});
        QVERIFY2(started.ok, qPrintable(started.reason));
        const QStringList pid = waitForRecord(record);
        QCOMPARE(pid.size(), 1);
        // Once collected, the end has been judged.
        QVERIFY(QTest::qWaitFor([&] { return !runningProcess(pid[0]) && !zombieOfOurs(pid[0]); }, loadMargin));
        if (reported.isEmpty())
            QTest::qWait(200);
        else
            QVERIFY(QTest::qWaitFor([&] { return !got.isEmpty(); }, loadMargin));
        if (QFile background(working.filePath(QStringLiteral("background"))); background.open(QIODevice::ReadOnly))
            ::kill(background.readAll().trimmed().toInt(), SIGKILL);
        // Seconds of waiting cost the watch next to nothing (clock ticks of
        // 10 ms); a watch that spun would have used them all.
        QVERIFY2(watchTicks() - restingBefore < 20, qPrintable(QString::number(watchTicks() - restingBefore)));
        watch.reset();
        QCOMPARE(got.size(), reported.isEmpty() ? 0 : 1);
        if (reported.isEmpty())
            return;
        for (const QString &part : reported)
            QVERIFY2(got[0].contains(part) && got[0].contains(launcher.filePath(emulatorName) + QLatin1Char(' ')),
                     qPrintable(got[0]));
        const QStringList quoted = got[0].section(QStringLiteral("It last wrote:\n"), 1).split(QLatin1Char('\n'));
        QVERIFY2(quoted.size() <= reportedLines * 4, qPrintable(got[0]));
        for (const QString &line : quoted)
            QVERIFY2(line.size() <= wrapWidth, qPrintable(line));
    }

    // Reports wait for the event loop, the watch does not: once it has given
    // the report of an early end that nothing takes, a later emulator is
    // still collected at its end.
    void reportsNeverHoldTheWatch()
    {
        QTemporaryDir launcher, working;
        writeFile(launcher.filePath(emulatorName),
                  "#!/bin/sh\necho $$ > \"$(mktemp -p '" + QFile::encodeName(working.path()) + "')\"; exit 1\n", true);
        QObject context;
        QStringList got;
        EndWatch watch(&context, [&got](const QString &message) { got.append(message); });
        // The watch logs an early end just before it hands its report on.
        earlyEndsLogged = 0;
        previousHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &where, const QString &text) {
            if (qstrcmp(where.category, "tavik.start") == 0 && text.contains(QLatin1String("; it last wrote:")))
                ++earlyEndsLogged;
            previousHandler(type, where, text);
        });
        const auto waitWithoutEvents = [](const std::function<bool()> &done) {
            QDeadlineTimer deadline(loadMargin);
            while (!done() && !deadline.hasExpired())
                QThread::msleep(10);
            return done();
        };
        const auto ended = [&](int count) {
            const QStringList records = QDir(working.path()).entryList({QStringLiteral("tmp.*")}, QDir::Files);
            return records.size() == count && std::all_of(records.begin(), records.end(), [&](const QString &name) {
                QFile file(working.filePath(name));
                const QString pid = file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QString();
                return !pid.isEmpty() && !runningProcess(pid) && !zombieOfOurs(pid);
            });
        };
        QVERIFY(StartEmulator(command(), {}, watch, {launcher.path(), working.path(), {}}).ok);
        const bool firstTold = waitWithoutEvents([] { return earlyEndsLogged == 1; });
        const bool secondStarted = StartEmulator(command(), {}, watch, {launcher.path(), working.path(), {}}).ok;
        const bool bothCollected = waitWithoutEvents([&] { return ended(2); });
        qInstallMessageHandler(previousHandler);
        QVERIFY(firstTold && secondStarted && bothCollected);
        QVERIFY(got.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 2, loadMargin);
    }

    // A launcher started without one of its standard descriptors gives that
    // slot /dev/null before anything else can take it.
    void missingStandardDescriptorsAreFilled_data()
    {
        QTest::addColumn<int>("slot");
        QTest::newRow("input") << 0;
        QTest::newRow("output") << 1;
        QTest::newRow("error output") << 2;
    }
    void missingStandardDescriptorsAreFilled()
    {
        QFETCH(int, slot);
        const pid_t child = ::fork();
        if (child == 0) {
            char target[64] = {};
            ::close(slot);
            fillStandardDescriptors();
            const ssize_t length = ::readlink(("/proc/self/fd/" + std::to_string(slot)).c_str(), target, sizeof target - 1);
            ::_exit(length > 0 && std::strcmp(target, "/dev/null") == 0 ? 0 : 1);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QCOMPARE(status, 0);
    }

    // The emulator's error output is an ordinary stream for its whole life,
    // also once the launcher is gone: /dev/stderr opens for writing and
    // appending, every write goes through (a failed one ends the script),
    // and all it writes reaches where the launcher's own error output goes.
    // Its standard output is the launcher's, or /dev/null where the launcher
    // has none.
    void errorOutputIsAnOrdinaryStream_data()
    {
        QTest::addColumn<bool>("withOutput");
        QTest::newRow("launcher without standard output") << false;
        QTest::newRow("launcher with standard output") << true;
    }
    void errorOutputIsAnOrdinaryStream()
    {
        QFETCH(bool, withOutput);
        QTemporaryDir launcher, working;
        const QString go = working.filePath(QStringLiteral("go"));
        const QString record = working.filePath(QStringLiteral("received.txt"));
        const QString launcherErrors = working.filePath(QStringLiteral("launcher-errors.txt"));
        writeFile(launcher.filePath(emulatorName),
                  QStringLiteral("#!/bin/sh\nset -e\n"
                                 "i=0\n"
                                 "while [ ! -e '%1' ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i+1)); done\n"
                                 "echo 'through /dev/stderr' > /dev/stderr\n"
                                 "echo 'appended' >> /dev/stderr\n"
                                 "echo 'teed' | tee -a /dev/stderr > /dev/null\n"
                                 "i=0; while [ $i -lt 3000 ]; do i=$((i+1)); echo \"line $i of many\" >&2; done\n"
                                 "output=$(readlink /proc/$$/fd/1)\n"
                                 "echo \"$output\" > '%2.tmp'; mv '%2.tmp' '%2'\n")
                      .arg(go, record)
                      .toUtf8(),
                  true);
        const QString launcherOutput = working.filePath(QStringLiteral("launcher-output.txt"));
        const QByteArray errorsPath = QFile::encodeName(launcherErrors), outputPath = QFile::encodeName(launcherOutput);
        QCOMPARE(runLauncherCopy({launcher.path(), working.path()},
                                 [&] {
                                     const int errors = ::open(errorsPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                                     const int output = ::open(outputPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                                     return errors >= 0 && output >= 0 && ::dup2(errors, STDERR_FILENO) == STDERR_FILENO
                                         && (withOutput ? ::dup2(output, STDOUT_FILENO) == STDOUT_FILENO
                                                        : ::close(STDOUT_FILENO) == 0);
                                 }),
                 0);
        writeFile(go);
        QCOMPARE(waitForRecord(record), QStringList{withOutput ? launcherOutput : QStringLiteral("/dev/null")});
        QFile errors(launcherErrors);
        QVERIFY(QTest::qWaitFor([&] { return errors.size() > 40000; }, loadMargin));
        QVERIFY(errors.open(QIODevice::ReadOnly));
        const QByteArray written = errors.readAll();
        for (const char *part : {"through /dev/stderr\nappended\nteed\nline 1 of many\n", "line 3000 of many\n"})
            QVERIFY2(written.contains(part), part);
    }

    // Where the launcher cannot have what it watches an emulator with (an old
    // kernel, a sandbox, no descriptor left), the emulator still starts, keeps
    // running and is collected at its end. The calls are refused by a seccomp
    // filter in a copy of the launcher; the sanitizers' own checks need
    // descriptors and pipes, so none is really used up.
    void startsWhateverTheWatchLacks_data()
    {
        QTest::addColumn<QList<long>>("refused"); // system calls that fail
        QTest::addColumn<int>("error");
        QTest::newRow("no pidfd_open") << QList<long>{SYS_pidfd_open} << ENOSYS;
        QTest::newRow("no pipe") << QList<long>{SYS_pipe2} << ENFILE;
        QTest::newRow("no descriptor left") << QList<long>{SYS_pidfd_open, SYS_pipe2} << EMFILE;
    }
    void startsWhateverTheWatchLacks()
    {
        QFETCH(QList<long>, refused);
        QFETCH(int, error);
        QTemporaryDir launcher, working;
        const QString record = working.filePath(QStringLiteral("received.txt"));
        const QString go = working.filePath(QStringLiteral("go"));
        writeFile(launcher.filePath(emulatorName), reportingEmulator(record, go), true);
        const sock_filter refuse = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | std::uint32_t(error));
        std::vector<sock_filter> filter{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
        for (const long call : refused) {
            if (call == SYS_pipe2)
                continue;
            filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, std::uint32_t(call), 0, 1));
            filter.push_back(refuse);
        }
        // Pipes only as the launcher makes them, close-on-exec: the
        // sanitizers make theirs without.
        if (refused.contains(SYS_pipe2)) {
            filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, std::uint32_t(SYS_pipe2), 0, 3));
            filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[1])));
            filter.push_back(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_CLOEXEC, 0, 1));
            filter.push_back(refuse);
        }
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
        sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
        const long firstRefused = refused.first();
        QCOMPARE(runLauncherCopy({launcher.path(), working.path(), record, go},
                                 [&] {
                                     return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
                                         && ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0
                                         && ::syscall(firstRefused, 0, O_CLOEXEC) < 0 && errno == error;
                                 }),
                 0);
    }
};

namespace {

// The launcher's copy: starts the stand-in emulator of LAUNCHER in WORKING
// and ends. Given RECORD and GO, it first waits for the stand-in's record,
// lets it end and waits until it is collected. The status names the step
// that failed.
[[noreturn]] void launcherCopy(const QStringList &arguments)
{
    static EndWatch watch; // the copy ends with _exit(), which leaves it be
    if (!StartEmulator(command(), {}, watch, {arguments.value(0), arguments.value(1), {}}).ok)
        ::_exit(4);
    if (arguments.size() < 4)
        ::_exit(0);
    const QStringList started = waitForRecord(arguments[2]);
    if (started.isEmpty() || !runningProcess(started[0]) || !QFile(arguments[3]).open(QIODevice::WriteOnly))
        ::_exit(5);
    for (int i = 0; i < 1000 && (runningProcess(started[0]) || zombieOfOurs(started[0])); ++i)
        ::usleep(10000);
    ::_exit(runningProcess(started[0]) || zombieOfOurs(started[0]) ? 6 : 0);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], launcherCopyOption) == 0) {
        QStringList arguments;
        for (int i = 2; i < argc; ++i)
            arguments.append(QFile::decodeName(argv[i]));
        launcherCopy(arguments);
    }
    QCoreApplication app(argc, argv);
    EmulatorStartTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_emulatorstart.moc"
