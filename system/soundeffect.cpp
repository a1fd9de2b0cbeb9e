// The sound plays on a thread of its own. libcanberra's calls block for as long
// as the sound server takes to answer (half a minute when it never does), and
// it may report a sound's end late, more than once or never; the waiting
// caller depends on neither, only on its own deadline.
#include "system/soundeffect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <canberra.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include <pthread.h>

namespace tavik {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

Q_LOGGING_CATEGORY(soundLog, "tavik.sound", QtWarningMsg)

// What the object and every playing thread share. A thread holds its own
// reference, so nothing it touches is freed while it runs, whenever the
// object or the program ends.
struct SoundEffect::Shared {
    explicit Shared(const CanberraCalls &calls) : ca(calls) {}
    const CanberraCalls ca; // a copy: a table of plain function pointers
    std::atomic<bool> busy{false};
};

namespace {

// The longest sound that is played. The window takes no input while a sound
// plays, and the logo's sound is a short effect: a file claiming more is far
// likelier a header that lies (a sample rate of a few hertz) than a sound
// anyone wants to wait for, so it counts as unplayable.
constexpr milliseconds longestSound = std::chrono::minutes(1);

// How much longer than the sound itself the caller may be held: time for the
// sound server to connect and start, or for the default sound when the file
// cannot be played.
constexpr milliseconds soundGrace = std::chrono::seconds(2);

// Sample rates of real sounds: telephone sound is 8 kHz, and nothing is
// recorded below 1 kHz; PulseAudio plays nothing above 384 kHz. A rate outside
// is a header that lies, and would stretch a second of samples into hours.
constexpr int lowestSampleRate = 1000;
constexpr int highestSampleRate = 384000;

// The caller's own deadline is this much before the promised one: a busy
// machine may wake a waiting thread a tenth of a second late, or more.
constexpr milliseconds schedulingSlack = 250ms;

// Time a cancelled sound's end is awaited by the thread before it goes on.
constexpr milliseconds cancelAllowance = 500ms;

// libcanberra's numbers for the two sounds a thread may play.
enum SoundId : std::uint32_t { fileSound = 1, bellSound = 2 };

// One sound effect, from the click to its end: what the waiting caller and
// the playing thread share. Each holds a reference, since the thread may
// outlive the caller's wait; libcanberra's finish callback gets a plain
// pointer, and is called only while the thread's context exists, that is
// while the thread still holds its reference.
struct Playback {
    Playback(std::shared_ptr<SoundEffect::Shared> shared, std::string file, bool playable, Clock::time_point deadline)
        : shared(std::move(shared)), file(std::move(file)), playable(playable), deadline(deadline)
    {
    }
    const std::shared_ptr<SoundEffect::Shared> shared;
    const std::string file; // the absolute path, in the file system's encoding
    const bool playable;
    const Clock::time_point deadline; // the caller waits no longer than this

    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::uint32_t, int> ends; // error code by sound, once reported
    bool finished = false;
    bool abandoned = false; // the caller has stopped waiting: start no sound any more
};

bool abandoned(Playback &playback)
{
    std::lock_guard lock(playback.mutex);
    return playback.abandoned;
}

void onFinished(ca_context *, std::uint32_t id, int error, void *userdata)
{
    auto &playback = *static_cast<Playback *>(userdata);
    {
        std::lock_guard lock(playback.mutex);
        playback.ends.try_emplace(id, error);
    }
    playback.changed.notify_all();
}

// Starts one sound and waits for its end until the caller's deadline, then
// stops it; false when the server could not play it.
bool playAndWait(ca_context *context, SoundId id, const char *property, const char *value, Playback &playback)
{
    const CanberraCalls &ca = playback.shared->ca;
    ca_proplist *properties = nullptr;
    if (ca.proplist_create(&properties) != CA_SUCCESS)
        return false;
    ca.proplist_sets(properties, property, value);
    ca.proplist_sets(properties, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
    const int started = ca.context_play_full(context, id, properties, onFinished, &playback);
    ca.proplist_destroy(properties);
    if (started != CA_SUCCESS) {
        qCWarning(soundLog, "the sound server did not take %s: %s", value, ::ca_strerror(started));
        return false;
    }

    std::unique_lock lock(playback.mutex);
    const auto ended = [&] { return playback.ends.count(id) != 0; };
    // A server slow to take the sound may take it after the caller gave up;
    // then it is stopped at once.
    if (!playback.abandoned && playback.changed.wait_until(lock, playback.deadline, ended)) {
        const int end = playback.ends.at(id);
        if (end != CA_SUCCESS)
            qCWarning(soundLog, "the sound server could not play %s: %s", value, ::ca_strerror(end));
        return end == CA_SUCCESS;
    }
    qCInfo(soundLog, "%s was stopped at its time limit", value);
    lock.unlock();
    ca.context_cancel(context, id);
    lock.lock();
    playback.changed.wait_for(lock, cancelAllowance, ended);
    return true; // it played for as long as it was allowed to
}

void playInBackground(const std::shared_ptr<Playback> &playback)
{
    const CanberraCalls &ca = playback->shared->ca;
    ca_context *context = nullptr;
    if (ca.context_create(&context) == CA_SUCCESS) {
        ca_proplist *properties = nullptr;
        if (ca.proplist_create(&properties) == CA_SUCCESS) {
            ca.proplist_sets(properties, CA_PROP_APPLICATION_NAME, "Tavik");
            ca.context_change_props_full(context, properties);
            ca.proplist_destroy(properties);
        }
        const int opened = ca.context_open(context);
        if (opened != CA_SUCCESS)
            qCWarning(soundLog, "no sound: the sound server could not be reached: %s", ::ca_strerror(opened));
        if (opened == CA_SUCCESS && !abandoned(*playback)) {
            const bool played = playback->playable
                                && playAndWait(context, fileSound, CA_PROP_MEDIA_FILENAME,
                                               playback->file.c_str(), *playback);
            if (!played && !abandoned(*playback)) {
                qCInfo(soundLog, "the bell plays instead of the sound file");
                playAndWait(context, bellSound, CA_PROP_EVENT_ID, "bell", *playback);
            }
        }
        ca.context_destroy(context);
    } else {
        qCWarning(soundLog, "no sound: libcanberra could not be set up");
    }
    // Free before the caller hears of the end, so its next sound is not refused.
    playback->shared->busy = false;
    {
        std::lock_guard lock(playback->mutex);
        playback->finished = true;
    }
    playback->changed.notify_all();
}

// How long playSynchronously() waits at most for a sound of `length` (zero
// for the bell): that length and soundGrace, less a slack for a busy machine,
// which may wake the waiting caller late.
milliseconds longestWait(milliseconds length) { return length + soundGrace - schedulingSlack; }

// The playing time of a sound file, as libsndfile reads it (frames over
// sample rate), or nothing when the file is unplayable.
std::optional<milliseconds> soundLength(const QString &file)
{
    const auto unplayable = [&file](const char *why) {
        qCInfo(soundLog, "%s is not played, the bell is: %s", qPrintable(QDir::toNativeSeparators(file)), why);
        return std::nullopt;
    };
    // Only a regular file: opening a named pipe would wait for a writer.
    if (!QFileInfo(file).isFile())
        return unplayable("it is missing, or is not a regular file");
    SF_INFO info{};
    SNDFILE *sound = ::sf_open(QFile::encodeName(file).constData(), SFM_READ, &info);
    if (!sound)
        return unplayable(::sf_strerror(nullptr));
    ::sf_close(sound);
    const int type = info.format & SF_FORMAT_TYPEMASK;
    if ((type != SF_FORMAT_WAV && type != SF_FORMAT_WAVEX) || info.channels < 1)
        return unplayable("it is not a WAV file with sound in it");
    if (info.samplerate < lowestSampleRate || info.samplerate > highestSampleRate)
        return unplayable("its sample rate is not that of a real sound");
    if (info.frames < 0
        || info.frames / info.samplerate > std::chrono::duration_cast<std::chrono::seconds>(longestSound).count())
        return unplayable("it is longer than a sound effect may be");
    const milliseconds length(info.frames * 1000 / info.samplerate);
    if (length > longestSound)
        return unplayable("it is longer than a sound effect may be");
    return length;
}

} // namespace

const CanberraCalls &libcanberra()
{
    static constexpr CanberraCalls calls{
        ::ca_context_create, ::ca_context_change_props_full, ::ca_context_open,
        ::ca_context_play_full, ::ca_context_cancel, ::ca_context_destroy,
        ::ca_proplist_create, ::ca_proplist_sets, ::ca_proplist_destroy,
    };
    return calls;
}

SoundEffect::SoundEffect(const CanberraCalls &calls) : m_shared(std::make_shared<Shared>(calls)) {}

SoundEffect::~SoundEffect() = default;

void SoundEffect::playSynchronously(const QString &wavFile)
{
    if (m_shared->busy.exchange(true))
        return;
    const Clock::time_point start = Clock::now();
    const std::optional<milliseconds> length = soundLength(wavFile);
    const std::string file =
        length ? QFile::encodeName(QFileInfo(wavFile).absoluteFilePath()).toStdString() : std::string();
    const milliseconds wait = longestWait(length.value_or(0ms));
    qCInfo(soundLog, "%s: %s; the caller waits %lld ms at most", qPrintable(QDir::toNativeSeparators(wavFile)),
           length ? qPrintable(QStringLiteral("%1 ms of sound").arg(length->count())) : "the bell plays",
           static_cast<long long>(wait.count()));
    auto playback = std::make_shared<Playback>(m_shared, file, length.has_value(), start + wait);
    try {
        std::thread thread(playInBackground, playback);
        // Named, so that a look at the program's threads tells a sound still
        // playing or winding down.
        ::pthread_setname_np(thread.native_handle(), "tavik sound");
        thread.detach();
    } catch (const std::system_error &) {
        m_shared->busy = false;
        return;
    }

    std::unique_lock lock(playback->mutex);
    if (!playback->changed.wait_until(lock, playback->deadline, [&] { return playback->finished; }))
        playback->abandoned = true;
}

} // namespace tavik
