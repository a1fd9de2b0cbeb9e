// How long a press of "< EMULATE! >" takes to get the emulator running,
// beside a bare posix_spawn of the same program with the same arguments.
// The emulator is a stand-in that writes the time of its first instruction
// to a FIFO; each start is timed from just before it to that moment:
//
//   press  the click on the main window's launch button (the launch press:
//          reading the controls, composing, looking the program up, starting)
//   start  StartEmulator called with the composed command
//   spawn  posix_spawn of the program found, then nothing else
//
// It guards the press's cost: it ends with status 2 when the press's median
// is more than five times the bare spawn's.
//
//   launch_benchmark [rounds, default 40]
#include "app/programwindows.h"
#include "appearance/appearance.h"
#include "mainwindow/form1.h"
#include "platform/desktopplatform.h"
#include "system/emulatorstart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// How many times a bare spawn's time a press may take.
constexpr double pressGoal = 5.0;

std::int64_t monotonicNanoseconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Runs `start` and waits for the emulator's report; the milliseconds from
// just before the start to the emulator's first instruction, or -1.
double timeStart(int fifo, const std::function<bool()> &start)
{
    const std::int64_t before = monotonicNanoseconds();
    if (!start())
        return -1;
    std::int64_t at = 0;
    pollfd ready{fifo, POLLIN, 0};
    if (::poll(&ready, 1, 10000) != 1 || ::read(fifo, &at, sizeof at) != sizeof at)
        return -1;
    return double(at - before) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tavik::setUpStyleAndFaces();
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 40;

    // The emulator is found in the working folder, as the launcher finds it.
    QTemporaryDir work;
    const QString emulator = work.filePath(QStringLiteral("snes9x.exe"));
    const QString fifoPath = work.filePath(QStringLiteral("first-instruction"));
    if (!QFile::link(QStringLiteral(TAVIK_FAKE_EMULATOR), emulator)
        || ::mkfifo(QFile::encodeName(fifoPath).constData(), 0600) != 0) {
        std::printf("could not set up %s\n", qPrintable(work.path()));
        return 1;
    }
    const int fifo = ::open(QFile::encodeName(fifoPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // A writer of our own keeps the FIFO from reporting end-of-file between starts.
    const int keepOpen = ::open(QFile::encodeName(fifoPath).constData(), O_WRONLY | O_CLOEXEC);
    if (fifo < 0 || keepOpen < 0)
        return 1;
    QDir::setCurrent(work.path());

    tavik::DesktopPlatform platform;
    tavik::ProgramWindows windows(platform);
    windows.showMainWindow();
    QWidget *form = windows.dialogOwner(); // the main window
    QCoreApplication::processEvents();
    auto *romField = form->findChild<QLineEdit *>(QStringLiteral("ROMLOAD"));
    auto *launchButton = form->findChild<QPushButton *>(QStringLiteral("Start"));
    if (!romField || !launchButton)
        qFatal("the main window has no ROMLOAD field or Start button");
    // The FIFO's path stands in the ROM field, as a picked ROM's name would.
    romField->setText(fifoPath);
    const tavik::EmulatorCommand command{QStringLiteral("snes9x.exe"), QStringLiteral("-m 9 -f 0  -ratio 1+ -h 100 "),
                                         fifoPath};

    const QByteArray program = QFile::encodeName(emulator);
    const QByteArray fifoArgument = QFile::encodeName(fifoPath);
    std::vector<const char *> arguments{program.constData(), "-m", "9", "-f", "0", "-ratio", "1+", "-h", "100",
                                        fifoArgument.constData(), nullptr};
    std::vector<pid_t> spawned;
    tavik::EndWatch watch;

    const char *names[] = {"press", "start", "spawn"};
    const std::function<bool()> starts[] = {
        [&] {
            launchButton->click();
            return true;
        },
        [&] {
            const tavik::Outcome started = tavik::StartEmulator(command, {}, watch);
            if (!started.ok)
                std::printf("%s\n", qPrintable(started.reason));
            return started.ok;
        },
        [&] {
            pid_t child = 0;
            const bool ok = ::posix_spawn(&child, program.constData(), nullptr, nullptr,
                                          const_cast<char *const *>(arguments.data()), environ)
                            == 0;
            if (ok)
                spawned.push_back(child);
            return ok;
        },
    };
    std::vector<double> times[3];
    for (int round = -1; round < rounds; ++round) {
        // Each kind goes first in turn; round -1 warms the caches and counts not.
        for (int k = 0; k < 3; ++k) {
            const int which = (k + std::max(round, 0)) % 3;
            const double ms = timeStart(fifo, starts[which]);
            if (ms < 0) {
                std::printf("%s: the emulator did not report\n", names[which]);
                return 1;
            }
            if (round >= 0)
                times[which].push_back(ms);
        }
        for (pid_t child : spawned)
            while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
            }
        spawned.clear();
    }

    std::printf("%d rounds; from just before each start to the emulator's first instruction (median, min, max)\n",
                rounds);
    for (int which = 0; which < 3; ++which) {
        std::printf("%-6s %7.3f ms  (%.3f, %.3f)\n", names[which], median(times[which]),
                    *std::min_element(times[which].begin(), times[which].end()),
                    *std::max_element(times[which].begin(), times[which].end()));
    }
    const double pressRatio = median(times[0]) / median(times[2]);
    std::printf("press / spawn %.2f (at most %.2f)   start / spawn %.2f\n", pressRatio, pressGoal,
                median(times[1]) / median(times[2]));
    ::close(keepOpen);
    ::close(fifo);
    QDir::setCurrent(QDir::tempPath());
    if (pressRatio > pressGoal) {
        std::printf("the press is over its goal\n");
        return 2;
    }
    return 0;
}
