// How the ROM chooser copes with a very large folder: builds a folder of
// files in a temporary directory, opens the chooser on it and prints the time
// until the file list shows every file, the longest time the window went
// without handling events meanwhile, how soon a read stops once the chooser
// is closed in the middle of it, and the process's peak memory.
//
//   chooser_benchmark [file count, default 100000] [rounds, default 3] [folder]
//
// Given a folder, it uses that one, which must hold exactly the file count
// (and nothing else), instead of making one: a million files take minutes to make.
#include "appearance/appearance.h"
#include "app/programwindows.h"
#include "platform/platform.h"
#include "romchooser/filelist.h"
#include "romchooser/folderlist.h"
#include "romchooser/folderloader.h"
#include "romchooser/form5.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>

namespace {

class QuietPlatform final : public tavik::Platform {
public:
    void showNotice(const QString &message) override
    {
        std::printf("notice: %s\n", qPrintable(message));
    }
    bool askYesNo(const QString &) override { return false; }
    tavik::Outcome startEmulator(const tavik::EmulatorCommand &, const QString &) override { return {}; }
    void showEarlyEnd(const QString &) override {}
    void playSound(const QString &) override {}
};

struct Round {
    qint64 filledMs = 0;
    qint64 longestStallMs = 0;
};

// The most memory the process has held so far, in MiB.
long peakMemoryMiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Runs the event loop until `done` holds or `limitMs` has passed; false then.
template <typename Condition>
bool runUntil(Condition done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Whether a thread reading a folder for the chooser is running, told by its name.
bool reading()
{
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (name.open(QIODevice::ReadOnly) && name.readAll() == "tavik folders\n")
            return true;
    }
    return false;
}

// Opens the chooser, closes it `afterMs` into its read and returns how long
// the read's thread went on from the close, in microseconds, counting the time
// it takes to free what it held (-1: the read was already done).
qint64 stopAfterClose(tavik::ProgramWindows &windows, int afterMs)
{
    auto *chooser = new tavik::Form5(windows, QDir::currentPath());
    chooser->show();
    QElapsedTimer clock;
    clock.start();
    runUntil([&] { return clock.elapsed() >= afterMs; }, afterMs + 1000);
    // Each opening gets a chooser of its own, as the user's does: the closed
    // one is gone before the next opening.
    const auto closeAndLetGo = [chooser] {
        chooser->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    if (!reading()) {
        closeAndLetGo();
        return -1;
    }
    clock.start();
    chooser->close();
    while (reading() && clock.elapsed() < 10000)
        QThread::usleep(100);
    const qint64 stopped = clock.nsecsElapsed() / 1000;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return stopped;
}

// Opens the chooser and runs the event loop until both lists are whole,
// timing the gaps between turns of the loop.
Round measure(tavik::ProgramWindows &windows, int files)
{
    Round round;
    QElapsedTimer clock;
    QElapsedTimer sinceLastTurn;
    QEventLoop loop;
    QTimer turn;
    turn.setInterval(0);

    clock.start();
    sinceLastTurn.start();
    auto *chooser = new tavik::Form5(windows, QDir::currentPath());
    chooser->show();
    auto *fileList = chooser->findChild<tavik::FileList *>(QStringLiteral("File1"));
    if (!fileList)
        qFatal("the chooser has no File1 list");

    QObject::connect(&turn, &QTimer::timeout, &loop, [&] {
        round.longestStallMs = std::max(round.longestStallMs, sinceLastTurn.elapsed());
        sinceLastTurn.restart();
        if (fileList->model()->rowCount() == files && !reading()) {
            round.filledMs = clock.elapsed();
            turn.stop();
            loop.quit();
        }
    });
    turn.start();
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        std::printf("the list did not fill within 30 s (it holds %d files)\n", fileList->model()->rowCount());
        turn.stop();
        loop.quit();
    });
    deadline.start(30000);
    loop.exec();
    chooser->close();
    QCoreApplication::processEvents();
    return round;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tavik::setUpStyleAndFaces();

    const int files = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 100000;
    const int rounds = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 3;

    QTemporaryDir made;
    QString folder = argc > 3 ? QString::fromLocal8Bit(argv[3]) : made.path();
    if (argc <= 3) {
        if (!made.isValid()) {
            std::printf("no temporary folder: %s\n", qPrintable(made.errorString()));
            return 1;
        }
        QElapsedTimer making;
        making.start();
        for (int i = 0; i < files; ++i) {
            QFile file(made.filePath(QStringLiteral("Super Game %1 (USA).smc").arg(i)));
            if (!file.open(QIODevice::WriteOnly)) {
                std::printf("could not make %s\n", qPrintable(file.fileName()));
                return 1;
            }
        }
        std::printf("made %d files in %lld ms\n", files, static_cast<long long>(making.elapsed()));
    }
    std::printf("peak memory before the chooser opens: %ld MiB\n", peakMemoryMiB());

    QuietPlatform platform;
    tavik::ProgramWindows windows(platform);
    QDir::setCurrent(folder);

    qint64 worstFilled = 0;
    qint64 worstStall = 0;
    for (int r = 1; r <= rounds; ++r) {
        const Round round = measure(windows, files);
        std::printf("round %d: file list filled in %lld ms, longest stall %lld ms\n", r,
                    static_cast<long long>(round.filledMs), static_cast<long long>(round.longestStallMs));
        worstFilled = std::max(worstFilled, round.filledMs);
        worstStall = std::max(worstStall, round.longestStallMs);
    }
    std::printf("worst of %d rounds: filled in %lld ms (limit 1000), longest stall %lld ms (limit 100)\n", rounds,
                static_cast<long long>(worstFilled), static_cast<long long>(worstStall));
    std::printf("peak memory (VmHWM): %ld MiB\n", peakMemoryMiB());

    // Closed in the middle of its read, the chooser's read stops at once.
    qint64 worstStopUs = 0;
    for (const int afterMs : {20, 100, 300}) {
        const qint64 us = stopAfterClose(windows, afterMs);
        if (us < 0) {
            std::printf("closed after %d ms: the read had already ended\n", afterMs);
            continue;
        }
        std::printf("closed after %d ms: the read stopped %.1f ms after the close\n", afterMs, us / 1000.0);
        worstStopUs = std::max(worstStopUs, us);
    }
    std::printf("longest read after a close: %.1f ms\n", worstStopUs / 1000.0);
    QDir::setCurrent(QDir::tempPath());
    return 0;
}
