// How the ROM chooser copes with a very large folder: builds a folder of
// files in a temporary directory, opens the chooser on it and prints the time
// until the file list shows every file, and the longest time the window went
// without handling events meanwhile.
//
//   chooser_benchmark [file count, default 100000] [rounds, default 3]
#include "appearance/appearance.h"
#include "app/programwindows.h"
#include "platform/platform.h"
#include "romchooser/form5.h"
#include "romchooser/filelist.h"
#include "romchooser/folderlist.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

class QuietPlatform final : public tavik::Platform {
public:
    void showNotice(const QString &message) override
    {
        std::printf("notice: %s\n", qPrintable(message));
    }
    bool askYesNo(const QString &) override { return false; }
    QString startEmulator(const QString &, const QString &, const QString &) override { return {}; }
    void playSound(const QString &) override {}
};

struct Round {
    qint64 filledMs = 0;
    qint64 longestStallMs = 0;
};

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
    tavik::Form5 *chooser = windows.form5();
    chooser->show();
    auto *fileList = chooser->findChild<tavik::FileList *>(QStringLiteral("File1"));
    auto *folderList = chooser->findChild<tavik::FolderList *>(QStringLiteral("Dir1"));
    if (!fileList || !folderList)
        qFatal("the chooser has no File1 or Dir1 list");

    QObject::connect(&turn, &QTimer::timeout, &loop, [&] {
        round.longestStallMs = std::max(round.longestStallMs, sinceLastTurn.elapsed());
        sinceLastTurn.restart();
        if (fileList->count() == files && !fileList->isFilling() && !folderList->isFilling()) {
            round.filledMs = clock.elapsed();
            turn.stop();
            loop.quit();
        }
    });
    turn.start();
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        std::printf("the list did not fill within 30 s (it holds %d files)\n", fileList->count());
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
    tavik::setUpAppearance();

    const int files = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 100000;
    const int rounds = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 3;

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::printf("no temporary folder: %s\n", qPrintable(folder.errorString()));
        return 1;
    }
    QElapsedTimer making;
    making.start();
    for (int i = 0; i < files; ++i) {
        QFile file(folder.filePath(QStringLiteral("Super Game %1 (USA).smc").arg(i)));
        if (!file.open(QIODevice::WriteOnly)) {
            std::printf("could not make %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    std::printf("made %d files in %lld ms\n", files, static_cast<long long>(making.elapsed()));

    QuietPlatform platform;
    tavik::ProgramWindows windows(platform);
    windows.quitEventLoop = [] {};
    QDir::setCurrent(folder.path());

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
    QDir::setCurrent(QDir::tempPath());
    return 0;
}
