// The synchronous sound effect: what it asks of libcanberra for good and
// malformed files, how long it holds the caller when the sound server stops
// answering (both through a stand-in for libcanberra), and the real thing
// against a PulseAudio null sink that the test command starts.
//
// The caller is promised: back when the sound has ended, and never later than
// the sound's length plus two seconds. The caller's own deadline, which the
// sound effect's log tells, is held to that promise; a time measured is held
// to it plus a stated margin for a loaded machine or a sanitizer build.
#include "system/soundeffect.h"
#include "support/fakeemulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <canberra.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tavik;
using namespace std::chrono_literals;

namespace {

// Margin over the promise for scheduling on a loaded machine or under the
// sanitizers; a bound below it would flake, not catch a fault.
constexpr qint64 marginMs = 1000;
constexpr qint64 graceMs = 2000;

struct WavFields {
    quint32 fmtSize = 16;
    quint32 rate = 22050;
    quint32 byteRate = 0; // 0: the right one
    quint32 dataSize = 0; // 0: the right one
    quint16 bits = 16;    // 16 or 24 for integer samples, 32 for float ones
    quint16 format = 1;   // 1: integers, 3: float, 0xFFFE: WAVE_FORMAT_EXTENSIBLE over integers
};

// A mono tone of the given length, its header fields as given.
QByteArray makeWav(int milliseconds, WavFields fields = {})
{
    const quint32 samples = fields.rate * quint32(milliseconds) / 1000;
    const quint32 width = fields.bits / 8;
    const quint32 dataBytes = samples * width;
    const bool extensible = fields.format == 0xFFFE;
    const quint32 fmtBytes = extensible ? 40 : 16;
    QByteArray wav;
    auto put32 = [&](quint32 v) { char b[4]; qToLittleEndian(v, b); wav.append(b, 4); };
    auto put16 = [&](quint16 v) { char b[2]; qToLittleEndian(v, b); wav.append(b, 2); };
    wav.append("RIFF");
    put32(20 + fmtBytes + dataBytes);
    wav.append("WAVEfmt ");
    put32(fields.fmtSize == 16 ? fmtBytes : fields.fmtSize);
    put16(fields.format);
    put16(1);
    put32(fields.rate);
    put32(fields.byteRate ? fields.byteRate : fields.rate * width);
    put16(quint16(width));
    put16(fields.bits);
    if (extensible) {
        put16(22);
        put16(fields.bits);
        put32(4); // front centre
        wav.append("\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 16); // PCM
    }
    wav.append("data");
    put32(fields.dataSize ? fields.dataSize : dataBytes);
    for (quint32 i = 0; i < samples; ++i) {
        const float level = (i / 25) % 2 ? 0.2f : -0.2f;
        if (fields.format == 3) {
            quint32 bits;
            std::memcpy(&bits, &level, 4);
            put32(bits);
        } else {
            const qint32 value = qint32(level * float((1 << (fields.bits - 1)) - 1));
            wav.append(reinterpret_cast<const char *>(&value), fields.bits / 8); // little-endian machine
        }
    }
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

// What the sound effect asks of libcanberra, and a sound server that answers
// as a test tells it: at once, never (the connection hangs), not after the
// sound has started (its end never comes, and a cancel hangs), or late, with a
// refusal of the sound. Hanging calls return once released. It may be called from a thread the caller gave up on,
// so it is never destroyed.
class Server {
public:
    enum Mode { AnswersAtOnce, NeverAnswers, StopsMidPlay, RefusesLate, Passthrough };

    static Server &instance()
    {
        static Server *const server = new Server;
        return *server;
    }

    void reset(Mode mode)
    {
        std::lock_guard lock(m_mutex);
        m_mode = mode;
        m_released = false;
        m_requests.clear();
        m_pending.clear();
        m_results.clear();
        m_contexts = 0;
    }
    void release()
    {
        {
            std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_changed.notify_all();
    }
    // Each sound asked for, as "event.id=bell" or "media.filename=<path>".
    QStringList requests()
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    int openContexts()
    {
        std::lock_guard lock(m_mutex);
        return m_contexts;
    }
    // What libcanberra answered to each of them (0: it plays).
    QList<int> results()
    {
        std::lock_guard lock(m_mutex);
        return m_results;
    }

    static CanberraCalls calls()
    {
        const CanberraCalls &real = libcanberra();
        CanberraCalls fake = real;
        fake.context_create = [](ca_context **context) {
            if (instance().mode() == Passthrough)
                return libcanberra().context_create(context);
            instance().countContext(+1);
            *context = reinterpret_cast<ca_context *>(&instance());
            return 0;
        };
        fake.context_change_props_full = [](ca_context *context, ca_proplist *properties) {
            return instance().mode() == Passthrough ? libcanberra().context_change_props_full(context, properties) : 0;
        };
        fake.context_open = [](ca_context *context) {
            Server &server = instance();
            if (server.mode() == Passthrough)
                return libcanberra().context_open(context);
            if (server.mode() == NeverAnswers)
                server.waitForRelease();
            return 0;
        };
        fake.context_play_full = [](ca_context *context, std::uint32_t id, ca_proplist *properties,
                                    CanberraCalls::FinishCallback finished, void *userdata) {
            Server &server = instance();
            const Mode mode = server.mode();
            if (mode == RefusesLate)
                server.waitForRelease();
            const int result = mode == Passthrough
                                   ? libcanberra().context_play_full(context, id, properties, finished, userdata)
                                   : mode == RefusesLate ? CA_ERROR_IO : 0;
            server.record(result);
            if (mode == AnswersAtOnce)
                finished(context, id, 0, userdata);
            return result;
        };
        fake.context_cancel = [](ca_context *context, std::uint32_t id) {
            Server &server = instance();
            if (server.mode() == Passthrough)
                return libcanberra().context_cancel(context, id);
            if (server.mode() == StopsMidPlay)
                server.waitForRelease();
            return 0;
        };
        fake.context_destroy = [](ca_context *context) {
            if (instance().mode() == Passthrough)
                return libcanberra().context_destroy(context);
            instance().countContext(-1);
            return 0;
        };
        fake.proplist_sets = [](ca_proplist *properties, const char *key, const char *value) {
            instance().noteProperty(key, value);
            return libcanberra().proplist_sets(properties, key, value);
        };
        return fake;
    }

private:
    Mode mode()
    {
        std::lock_guard lock(m_mutex);
        return m_mode;
    }
    void waitForRelease()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_released; });
    }
    void countContext(int change)
    {
        std::lock_guard lock(m_mutex);
        m_contexts += change;
    }
    void noteProperty(const char *key, const char *value)
    {
        std::lock_guard lock(m_mutex);
        if (std::strcmp(key, "event.id") == 0 || std::strcmp(key, "media.filename") == 0)
            m_pending = QString::fromUtf8(key) + u'=' + QFile::decodeName(value);
    }
    void record(int result)
    {
        std::lock_guard lock(m_mutex);
        m_requests.append(m_pending);
        m_results.append(result);
        m_pending.clear();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Mode m_mode = AnswersAtOnce;
    bool m_released = false;
    int m_contexts = 0;
    QString m_pending;
    QStringList m_requests;
    QList<int> m_results;
};

// One play, timed, with what the sound effect's log told of it: the length it
// read (-1: unplayable, the bell plays instead) and how long the caller waits
// at most.
struct Played {
    qint64 elapsed = 0;
    int length = -2; // -2: the log told nothing
    qint64 waitMs = -1;
};

QtMessageHandler earlierHandler = nullptr;
QString toldOfSound; // written on the caller's thread only

Played timedPlay(SoundEffect &sound, const QString &file)
{
    QLoggingCategory::setFilterRules(QStringLiteral("tavik.sound.info=true"));
    toldOfSound.clear();
    earlierHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        if (qstrcmp(context.category, "tavik.sound") == 0 && text.endsWith(QLatin1String(" ms at most")))
            toldOfSound = text;
        else
            earlierHandler(type, context, text);
    });
    QElapsedTimer clock;
    clock.start();
    sound.playSynchronously(file);
    Played played{clock.elapsed()};
    qInstallMessageHandler(earlierHandler);
    QLoggingCategory::setFilterRules(QString());
    static const QRegularExpression told(
        QStringLiteral(": (?:(\\d+) ms of sound|the bell plays); the caller waits (\\d+) ms at most$"));
    if (const QRegularExpressionMatch match = told.match(toldOfSound); match.hasMatch()) {
        played.length = match.captured(1).isEmpty() ? -1 : match.captured(1).toInt();
        played.waitMs = match.captured(2).toLongLong();
    }
    return played;
}

QString expectedRequest(const QString &file, int length)
{
    return length < 0 ? QStringLiteral("event.id=bell")
                      : QStringLiteral("media.filename=") + QFileInfo(file).absoluteFilePath();
}

// Sets an environment variable for a scope, and puts it back.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char *name, const QByteArray &value) : m_name(name), m_saved(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EnvironmentGuard()
    {
        if (m_saved.isNull())
            qunsetenv(m_name);
        else
            qputenv(m_name, m_saved);
    }

private:
    const char *m_name;
    QByteArray m_saved;
};

} // namespace

class SoundEffectTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    // Each file is read and played in a child process whose address space is
    // limited to 256 MiB more than it has, so a header field that sizes an
    // allocation ends the child instead of taking the machine's memory.
    void playsTheTrueLengthOrTheBell_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("length"); // milliseconds; -1: unplayable, the bell plays
        const auto add = [&](const char *row, const QByteArray &content, int length) {
            QTest::newRow(row) << writeFile(dir, QString::fromLatin1(row).replace(u' ', u'_') + QStringLiteral(".wav"), content)
                               << length;
        };
        add("half a second", makeWav(500), 500);
        add("two seconds at 44100", makeWav(2000, {.rate = 44100}), 2000);
        add("wrong byte rate", makeWav(2000, {.byteRate = 1}), 2000);
        add("truncated data", makeWav(1000).left(44 + 22050), 500);
        add("data chunk larger than the file", makeWav(500, {.dataSize = 0xFFFFFFF0}), 500);
        add("huge fmt size", makeWav(500, {.fmtSize = 0xFFFFFFF0}), -1);
        add("24-bit samples", makeWav(500, {.bits = 24}), 500);
        add("WAVE_FORMAT_EXTENSIBLE", makeWav(500, {.format = 0xFFFE}), 500);
        add("sample rate just under 1 kHz", makeWav(1000, {.rate = 999}), -1);
        add("sample rate of 1 kHz", makeWav(1000, {.rate = 1000}), 1000);
        add("a minute and half a second", makeWav(60500, {.rate = 8000}), -1);
        add("a minute", makeWav(60000, {.rate = 8000}), 60000);
        add("not a WAV file", "hello, this is plain text", -1);
        QTest::newRow("missing") << dir.filePath(QStringLiteral("nothing-here.wav")) << -1;
        const QString fifo = dir.filePath(QStringLiteral("fifo.wav"));
        ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
        QTest::newRow("a named pipe") << fifo << -1;
    }
    void playsTheTrueLengthOrTheBell()
    {
        QFETCH(QString, file);
        QFETCH(int, length);
        int channel[2];
        QVERIFY(::pipe(channel) == 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(channel[0]);
            long pages = 0;
            if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
                if (std::fscanf(statm, "%ld", &pages) != 1)
                    pages = 0;
                std::fclose(statm);
            }
            const rlim_t limit = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(256) << 20);
            const rlimit memory{limit, limit};
            if (pages == 0 || ::setrlimit(RLIMIT_AS, &memory) != 0)
                ::_exit(3);
            Server::instance().reset(Server::AnswersAtOnce);
            SoundEffect sound(Server::calls());
            const Played played = timedPlay(sound, file);
            const QByteArray report = QByteArray::number(played.length) + '\n'
                                      + QByteArray::number(played.elapsed) + '\n'
                                      + Server::instance().requests().join(u'\n').toUtf8();
            const bool written = ::write(channel[1], report.constData(), std::size_t(report.size())) == report.size();
            ::_exit(written ? 0 : 4);
        }
        ::close(channel[1]);
        QByteArray report;
        pollfd reader{channel[0], POLLIN, 0};
        char buffer[4096];
        while (::poll(&reader, 1, 10000) == 1) {
            const ssize_t got = ::read(channel[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            report.append(buffer, got);
        }
        ::close(channel[0]);
        int status = 0;
        pid_t ended = 0;
        for (int waited = 0; (ended = ::waitpid(child, &status, WNOHANG)) == 0 && waited < 10000; waited += 10)
            QTest::qSleep(10);
        if (ended == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0,
                 qPrintable(QStringLiteral("the child ended with status %1").arg(status)));

        const QList<QByteArray> lines = report.split('\n');
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines[0].toInt(), length);
        // The stand-in server ends each sound at once, so the call is back at once.
        QVERIFY2(lines[1].toLongLong() < marginMs, lines[1].constData());
        QCOMPARE(QString::fromUtf8(lines.mid(2).join('\n')), expectedRequest(file, length));
    }

    // A server that stops answering before or while the sound plays: the
    // caller is back at the sound's length plus the grace, not later; what was
    // left running winds down once the server comes back, and meanwhile no new
    // sound is tried. The object goes first: the thread it leaves behind must
    // not touch anything freed with it (the sanitizer build checks).
    void serverThatStopsAnsweringHoldsTheCallerNoLonger_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("length"); // milliseconds; 0 for the bell
        QTest::addColumn<QStringList>("asked");
        const QString tone = writeFile(dir, QStringLiteral("short.wav"), makeWav(300));
        const QString badRate = writeFile(dir, QStringLiteral("rate.wav"), makeWav(2000, {.byteRate = 1}));
        const QString missing = dir.filePath(QStringLiteral("nothing-here.wav"));
        QTest::newRow("never answers") << int(Server::NeverAnswers) << tone << 300 << QStringList();
        QTest::newRow("stops mid-play") << int(Server::StopsMidPlay) << tone << 300
                                        << QStringList{expectedRequest(tone, 300)};
        QTest::newRow("stops during the bell") << int(Server::StopsMidPlay) << missing << 0
                                               << QStringList{expectedRequest(missing, -1)};
        QTest::newRow("stops mid-play, wrong byte rate") << int(Server::StopsMidPlay) << badRate << 2000
                                                         << QStringList{expectedRequest(badRate, 2000)};
        // No bell for a sound refused after the caller has gone on.
        QTest::newRow("refuses the sound late") << int(Server::RefusesLate) << tone << 300
                                                << QStringList{expectedRequest(tone, 300)};
    }
    void serverThatStopsAnsweringHoldsTheCallerNoLonger()
    {
        QFETCH(int, mode);
        QFETCH(QString, file);
        QFETCH(int, length);
        QFETCH(QStringList, asked);
        // No sound of an earlier case is still winding down.
        QTRY_COMPARE_WITH_TIMEOUT(tavik::testing::threadsNamed("tavik sound"), 0, 15000);
        Server &server = Server::instance();
        server.reset(Server::Mode(mode));
        auto sound = std::make_unique<SoundEffect>(Server::calls());
        const Played played = timedPlay(*sound, file);
        const bool leftRunning = tavik::testing::threadsNamed("tavik sound") == 1;
        const qint64 refused = timedPlay(*sound, file).elapsed;
        sound.reset();
        server.release();

        // The caller waits to its own deadline, which leaves room within the
        // promise for a thread that wakes late; how late is the machine's.
        QCOMPARE(played.length, length > 0 ? length : -1);
        const qint64 waitMs = played.waitMs;
        QVERIFY(waitMs < length + graceMs);
        QVERIFY2(played.elapsed >= waitMs && played.elapsed <= waitMs + marginMs,
                 qPrintable(QStringLiteral("%1 ms for a sound of %2 ms").arg(played.elapsed).arg(length)));
        QVERIFY(leftRunning);
        QVERIFY2(refused < marginMs, qPrintable(QString::number(refused)));
        // The thread lets go of the server once it is back, and plays
        // nothing stale meanwhile.
        QTRY_COMPARE_WITH_TIMEOUT(server.openContexts(), 0, 5000);
        QCOMPARE(server.requests(), asked);
    }

    void playsToTheEndThroughTheServer()
    {
        if (qEnvironmentVariableIsEmpty("TAVIK_TEST_SOUND_SERVER"))
            QSKIP("needs the null-sink sound server that the test command starts");
        Server &server = Server::instance();
        server.reset(Server::Passthrough);
        SoundEffect sound(Server::calls());
        const QString tone = writeFile(dir, QStringLiteral("tone.wav"), makeWav(600));
        const qint64 elapsed = timedPlay(sound, tone).elapsed;
        QVERIFY2(elapsed >= 500 && elapsed <= 600 + graceMs + marginMs, qPrintable(QString::number(elapsed)));
        QCOMPARE(server.requests(), QStringList{expectedRequest(tone, 600)});
        QCOMPARE(server.results(), QList<int>{0});
    }

    // A file libsndfile reads but the sound server refuses (libcanberra
    // plays 8- and 16-bit integer samples only) gives way to the bell too.
    void unplayableFilePlaysTheBell_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("fileAskedFor");
        QTest::newRow("missing") << dir.filePath(QStringLiteral("nothing-here.wav")) << false;
        QTest::newRow("not a WAV file") << writeFile(dir, QStringLiteral("bad.wav"), "garbage, not audio") << false;
        QTest::newRow("24-bit samples") << writeFile(dir, QStringLiteral("24.wav"), makeWav(300, {.bits = 24})) << true;
        QTest::newRow("float samples") << writeFile(dir, QStringLiteral("float.wav"), makeWav(300, {.bits = 32, .format = 3}))
                                       << true;
    }
    void unplayableFilePlaysTheBell()
    {
        if (qEnvironmentVariableIsEmpty("TAVIK_TEST_SOUND_SERVER"))
            QSKIP("needs the null-sink sound server that the test command starts");
        QFETCH(QString, file);
        QFETCH(bool, fileAskedFor);
        Server &server = Server::instance();
        server.reset(Server::Passthrough);
        SoundEffect sound(Server::calls());
        const qint64 elapsed = timedPlay(sound, file).elapsed;
        QVERIFY2(elapsed <= (fileAskedFor ? 300 : 0) + graceMs + marginMs, qPrintable(QString::number(elapsed)));
        // The server took the theme's bell and played it.
        const QStringList bell{QStringLiteral("event.id=bell")};
        QCOMPARE(server.requests(), fileAskedFor ? QStringList{expectedRequest(file, 300)} + bell : bell);
        QCOMPARE(server.results().last(), 0);
    }

    // With no server the call is back within the grace, long before the
    // three-second file would have ended.
    void noSoundServerReturnsAtOnce()
    {
        const QString tone = writeFile(dir, QStringLiteral("tone2.wav"), makeWav(3000));
        qint64 elapsed = 0;
        {
            EnvironmentGuard server("PULSE_SERVER", "unix:/nonexistent/tavik-test-socket");
            SoundEffect sound;
            elapsed = timedPlay(sound, tone).elapsed;
        }
        QVERIFY2(elapsed < graceMs + marginMs, qPrintable(QString::number(elapsed)));
    }

    // A real server socket that takes the connection and then never says a
    // word: the call is back within its promise, and what was started winds
    // down once the server goes away.
    void unansweringServerDoesNotHoldTheCaller()
    {
        QTemporaryDir socketDir;
        const QByteArray socketPath = QFile::encodeName(socketDir.filePath(QStringLiteral("native")));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(std::size_t(socketPath.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, socketPath.constData(), std::size_t(socketPath.size()));
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(listener >= 0);
        QVERIFY(::bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0);
        QVERIFY(::listen(listener, 8) == 0);

        const QString tone = writeFile(dir, QStringLiteral("short.wav"), makeWav(300));
        QTRY_COMPARE_WITH_TIMEOUT(tavik::testing::threadsNamed("tavik sound"), 0, 15000);
        qint64 elapsed = 0;
        qint64 refused = 0;
        bool leftRunning = false;
        {
            // The environment is shared with the thread still connecting; it
            // is put back only once that thread is done.
            EnvironmentGuard server("PULSE_SERVER", "unix:" + socketPath);
            SoundEffect sound;
            elapsed = timedPlay(sound, tone).elapsed;
            leftRunning = tavik::testing::threadsNamed("tavik sound") == 1;
            refused = timedPlay(sound, tone).elapsed;
            ::close(listener);
            QTRY_VERIFY_WITH_TIMEOUT(tavik::testing::threadsNamed("tavik sound") == 0, 15000);
        }

        if (!leftRunning && elapsed < 1000)
            QSKIP("libcanberra did not use the PulseAudio server; is its PulseAudio plug-in installed?");
        QVERIFY2(elapsed <= 300 + graceMs + marginMs, qPrintable(QString::number(elapsed)));
        QVERIFY(leftRunning);
        QVERIFY2(refused < marginMs, qPrintable(QString::number(refused)));
    }
};

QTEST_GUILESS_MAIN(SoundEffectTest)
#include "test_soundeffect.moc"
