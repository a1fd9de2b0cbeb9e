// The synchronous sound effect against a real sound server (a PulseAudio null
// sink that the test command starts), without one, and against one that never
// answers.
#include "system/soundeffect.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tavik;

namespace {

// A mono 16-bit PCM tone of the given length.
QByteArray makeWav(int milliseconds, int rate = 22050)
{
    const quint32 samples = quint32(rate) * milliseconds / 1000;
    const quint32 dataBytes = samples * 2;
    QByteArray wav;
    auto put32 = [&](quint32 v) { char b[4]; qToLittleEndian(v, b); wav.append(b, 4); };
    auto put16 = [&](quint16 v) { char b[2]; qToLittleEndian(v, b); wav.append(b, 2); };
    wav.append("RIFF");
    put32(36 + dataBytes);
    wav.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    wav.append("data");
    put32(dataBytes);
    for (quint32 i = 0; i < samples; ++i)
        put16(quint16((i / 25) % 2 ? 6000 : -6000));
    return wav;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(content);
    return file.fileName();
}

qint64 timedPlay(const QString &file)
{
    QElapsedTimer clock;
    clock.start();
    playSoundSynchronously(file);
    return clock.elapsed();
}

} // namespace

class SoundEffectTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void duration_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("expected"); // -1: no readable WAV file
        QTest::newRow("half a second") << makeWav(500) << 500;
        QTest::newRow("two seconds at 44100") << makeWav(2000, 44100) << 2000;
        QTest::newRow("empty file") << QByteArray() << -1;
        QTest::newRow("not a WAV file") << QByteArray("hello, this is plain text") << -1;
        QTest::newRow("truncated header") << makeWav(500).left(30) << -1;
        QTest::newRow("data shorter than declared") << makeWav(1000).left(44 + 22050) << 500;
    }
    void duration()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, expected);
        const auto length = wavDuration(writeFile(dir, QStringLiteral("d.wav"), content));
        QCOMPARE(length ? int(length->count()) : -1, expected);
    }

    void playsToTheEndThroughTheServer()
    {
        if (qEnvironmentVariableIsEmpty("TAVIK_TEST_SOUND_SERVER"))
            QSKIP("needs the null-sink sound server that the test command starts");
        const qint64 elapsed = timedPlay(writeFile(dir, QStringLiteral("tone.wav"), makeWav(600)));
        // At least the sound itself; at most the wait's own bound.
        const qint64 limit = soundWaitLimit(std::chrono::milliseconds(600)).count();
        QVERIFY2(elapsed >= 500 && elapsed <= limit + 250,
                 qPrintable(QStringLiteral("%1 ms, limit %2 ms").arg(elapsed).arg(limit)));
    }

    void unplayableFileFallsBackToTheDefaultSound_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("missing") << dir.filePath(QStringLiteral("nothing-here.wav"));
        QTest::newRow("not a WAV file") << writeFile(dir, QStringLiteral("bad.wav"), "garbage, not audio");
    }
    void unplayableFileFallsBackToTheDefaultSound()
    {
        if (qEnvironmentVariableIsEmpty("TAVIK_TEST_SOUND_SERVER"))
            QSKIP("needs the null-sink sound server that the test command starts");
        QFETCH(QString, file);
        // The freedesktop bell is short; the call must not hang on it.
        const qint64 elapsed = timedPlay(file);
        QVERIFY2(elapsed < 3500, qPrintable(QString::number(elapsed)));
    }

    void noSoundServerReturnsAtOnce()
    {
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:/nonexistent/tavik-test-socket");
        const qint64 elapsed = timedPlay(writeFile(dir, QStringLiteral("tone2.wav"), makeWav(3000)));
        if (saved.isNull())
            qunsetenv("PULSE_SERVER");
        else
            qputenv("PULSE_SERVER", saved);
        QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));
    }

    // A server that takes the connection and then never says a word: the call
    // still returns within its limit, and what was started winds down once the
    // server goes away.
    void unansweringServerDoesNotHoldTheCaller()
    {
        QTemporaryDir socketDir;
        const QByteArray socketPath = QFile::encodeName(socketDir.filePath(QStringLiteral("native")));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(std::size_t(socketPath.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, socketPath.constData(), std::size_t(socketPath.size()));
        const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(server >= 0);
        QVERIFY(::bind(server, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0);
        QVERIFY(::listen(server, 8) == 0);
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:" + socketPath);

        const QString tone = writeFile(dir, QStringLiteral("short.wav"), makeWav(300));
        const qint64 elapsed = timedPlay(tone);
        const bool leftRunning = soundStillWindingDown();
        const qint64 refused = timedPlay(tone);
        ::close(server);
        // The environment is shared with the thread still connecting; it is
        // put back only once that thread is done.
        QTRY_VERIFY_WITH_TIMEOUT(!soundStillWindingDown(), 15000);
        if (saved.isNull())
            qunsetenv("PULSE_SERVER");
        else
            qputenv("PULSE_SERVER", saved);

        if (!leftRunning && elapsed < 1000)
            QSKIP("libcanberra did not use the PulseAudio server; is its PulseAudio plug-in installed?");
        const qint64 limit = soundWaitLimit(std::chrono::milliseconds(300)).count();
        QVERIFY2(elapsed <= limit + 250, qPrintable(QStringLiteral("%1 ms, limit %2 ms").arg(elapsed).arg(limit)));
        QVERIFY(leftRunning);
        QVERIFY2(refused < 100, qPrintable(QString::number(refused)));
    }
};

QTEST_GUILESS_MAIN(SoundEffectTest)
#include "test_soundeffect.moc"
