// The sound plays on a thread of its own. libcanberra's calls block for as long
// as the sound server takes to answer (half a minute when it never does), and
// it may report a sound's end late, more than once or never; the waiting
// caller must not depend on either.
#include "system/soundeffect.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <canberra.h>
#include <dlfcn.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace tavik {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;

// The freedesktop bell is well under a second; allow for a slow server.
constexpr milliseconds defaultSoundLimit = 3s;
// Time the sound server may take to connect, and beyond the sound itself,
// before we give up.
constexpr milliseconds startupAllowance = 1500ms;
// Time a cancelled sound's end is awaited before the next step.
constexpr milliseconds cancelAllowance = 500ms;

// The ends of the sounds being played, by number. The finish callback gets
// only the number, never a pointer into a waiter's memory, so a report for a
// sound nobody waits for any more finds nothing and changes nothing. The table
// is never destroyed: a report may still come while the program ends.
struct Completions {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::uintptr_t, std::optional<int>> results; // the error code once ended
    std::uintptr_t nextKey = 1;
};

Completions &completions()
{
    static Completions *const table = new Completions;
    return *table;
}

// libcanberra is opened when the first sound plays, not when the program
// starts: it and its decoders' libraries cost start-up time and memory, and
// most runs never play a sound. Missing, it counts as no sound server.
struct Canberra {
    decltype(&::ca_context_create) context_create = nullptr;
    decltype(&::ca_context_change_props) context_change_props = nullptr;
    decltype(&::ca_context_open) context_open = nullptr;
    decltype(&::ca_context_play_full) context_play_full = nullptr;
    decltype(&::ca_context_cancel) context_cancel = nullptr;
    decltype(&::ca_context_destroy) context_destroy = nullptr;
    decltype(&::ca_proplist_create) proplist_create = nullptr;
    decltype(&::ca_proplist_sets) proplist_sets = nullptr;
    decltype(&::ca_proplist_destroy) proplist_destroy = nullptr;
};

const Canberra *canberra()
{
    static const std::unique_ptr<const Canberra> api = []() -> std::unique_ptr<const Canberra> {
        void *library = ::dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return nullptr;
        auto found = std::make_unique<Canberra>();
        bool complete = true;
        const auto resolve = [&](auto &function, const char *name) {
            void *symbol = ::dlsym(library, name);
            complete = complete && symbol;
            std::memcpy(&function, &symbol, sizeof function);
        };
        resolve(found->context_create, "ca_context_create");
        resolve(found->context_change_props, "ca_context_change_props");
        resolve(found->context_open, "ca_context_open");
        resolve(found->context_play_full, "ca_context_play_full");
        resolve(found->context_cancel, "ca_context_cancel");
        resolve(found->context_destroy, "ca_context_destroy");
        resolve(found->proplist_create, "ca_proplist_create");
        resolve(found->proplist_sets, "ca_proplist_sets");
        resolve(found->proplist_destroy, "ca_proplist_destroy");
        return complete ? std::move(found) : nullptr;
    }();
    return api.get();
}

void onFinished(ca_context *, uint32_t, int error, void *userdata)
{
    Completions &table = completions();
    {
        std::lock_guard lock(table.mutex);
        const auto entry = table.results.find(reinterpret_cast<std::uintptr_t>(userdata));
        if (entry == table.results.end())
            return;
        entry->second = error;
    }
    table.changed.notify_all();
}

// What the waiting caller and the playing thread share; each holds a reference,
// since the thread may outlive the caller's wait.
struct Playback {
    std::mutex mutex;
    std::condition_variable changed;
    bool opened = false;
    bool finished = false;
    bool abandoned = false; // the caller has stopped waiting: start no sound any more
};

bool abandoned(Playback &playback)
{
    std::lock_guard lock(playback.mutex);
    return playback.abandoned;
}

// Starts one sound and waits for it; false when the server could not play it.
bool playAndWait(ca_context *context, const char *property, const char *value, milliseconds limit,
                 Playback &playback)
{
    const Canberra *ca = canberra();
    ca_proplist *properties = nullptr;
    if (ca->proplist_create(&properties) != CA_SUCCESS)
        return false;
    ca->proplist_sets(properties, property, value);
    ca->proplist_sets(properties, CA_PROP_CANBERRA_CACHE_CONTROL, "never");

    Completions &table = completions();
    std::uintptr_t key = 0;
    {
        std::lock_guard lock(table.mutex);
        key = table.nextKey++;
        table.results.emplace(key, std::nullopt);
    }
    const int started = ca->context_play_full(context, 1, properties, onFinished, reinterpret_cast<void *>(key));
    ca->proplist_destroy(properties);
    // A server slow to take the sound may take it after the caller gave up;
    // then it is stopped at once.
    const bool tooLate = started == CA_SUCCESS && abandoned(playback);

    std::unique_lock lock(table.mutex);
    const auto ended = [&] { return table.results.at(key).has_value(); };
    bool played = false;
    if (started == CA_SUCCESS) {
        if (!tooLate && table.changed.wait_for(lock, limit, ended)) {
            played = *table.results.at(key) == CA_SUCCESS;
        } else {
            lock.unlock();
            ca->context_cancel(context, 1);
            lock.lock();
            table.changed.wait_for(lock, cancelAllowance, ended);
            played = true; // it played for as long as it was allowed to
        }
    }
    table.results.erase(key);
    return played;
}

std::atomic<bool> busy{false};

// Marks the connection made; false when the caller no longer waits.
bool stillWanted(Playback &playback)
{
    {
        std::lock_guard lock(playback.mutex);
        playback.opened = true;
        if (playback.abandoned)
            return false;
    }
    playback.changed.notify_all();
    return true;
}

void playInBackground(const std::shared_ptr<Playback> &playback, const std::string &file,
                      std::optional<milliseconds> length)
{
    const Canberra *ca = canberra();
    ca_context *context = nullptr;
    if (ca && ca->context_create(&context) == CA_SUCCESS) {
        ca->context_change_props(context, CA_PROP_APPLICATION_NAME, "Tavik", nullptr);
        if (ca->context_open(context) == CA_SUCCESS && stillWanted(*playback)) {
            const bool played = length
                                && playAndWait(context, CA_PROP_MEDIA_FILENAME, file.c_str(),
                                               *length + startupAllowance, *playback);
            if (!played && stillWanted(*playback))
                playAndWait(context, CA_PROP_EVENT_ID, "bell", defaultSoundLimit, *playback);
        }
        ca->context_destroy(context);
    }
    // Free before the caller hears of the end, so its next sound is not refused.
    busy = false;
    {
        std::lock_guard lock(playback->mutex);
        playback->finished = true;
    }
    playback->changed.notify_all();
}

} // namespace

std::optional<std::chrono::milliseconds> wavDuration(const QString &wavFile)
{
    QFile file(wavFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray header = file.read(12);
    if (header.size() < 12 || !header.startsWith("RIFF") || header.mid(8, 4) != "WAVE")
        return std::nullopt;
    quint32 byteRate = 0;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(8);
        if (chunk.size() < 8)
            break;
        const quint32 size = qFromLittleEndian<quint32>(chunk.constData() + 4);
        if (chunk.startsWith("fmt ")) {
            const QByteArray format = file.read(size + (size & 1));
            if (format.size() < 12)
                return std::nullopt;
            byteRate = qFromLittleEndian<quint32>(format.constData() + 8);
        } else if (chunk.startsWith("data")) {
            if (byteRate == 0)
                return std::nullopt;
            const qint64 available = file.size() - file.pos();
            const qint64 bytes = qMin<qint64>(size, available);
            return std::chrono::milliseconds(bytes * 1000 / byteRate);
        } else if (!file.seek(file.pos() + size + (size & 1))) {
            break;
        }
    }
    return std::nullopt;
}

milliseconds soundWaitLimit(std::optional<milliseconds> length)
{
    const milliseconds file = length ? *length + startupAllowance + cancelAllowance : 0ms;
    return startupAllowance + file + defaultSoundLimit + cancelAllowance;
}

void playSoundSynchronously(const QString &wavFile)
{
    if (busy.exchange(true))
        return;
    const auto start = std::chrono::steady_clock::now();
    const std::optional<milliseconds> length = wavDuration(wavFile);
    const std::string file =
        length ? QFile::encodeName(QFileInfo(wavFile).absoluteFilePath()).toStdString() : std::string();
    auto playback = std::make_shared<Playback>();
    try {
        std::thread(playInBackground, playback, file, length).detach();
    } catch (const std::system_error &) {
        busy = false;
        return;
    }

    std::unique_lock lock(playback->mutex);
    const bool ended =
        playback->changed.wait_until(lock, start + startupAllowance,
                                     [&] { return playback->opened || playback->finished; })
        && playback->changed.wait_until(lock, start + soundWaitLimit(length), [&] { return playback->finished; });
    if (!ended)
        playback->abandoned = true;
}

bool soundStillWindingDown() { return busy; }

} // namespace tavik
