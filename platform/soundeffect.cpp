#include "platform/soundeffect.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <canberra.h>

#include <condition_variable>
#include <mutex>

namespace tavik {
namespace {

using namespace std::chrono_literals;

// The freedesktop bell is well under a second; allow for a slow server.
constexpr auto defaultSoundLimit = 3s;
// Time the sound server may take beyond the sound itself before we give up.
constexpr auto startupAllowance = 1500ms;

struct Completion {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    int error = CA_SUCCESS;
};

void onFinished(ca_context *, uint32_t, int error, void *userdata)
{
    auto *completion = static_cast<Completion *>(userdata);
    {
        std::lock_guard lock(completion->mutex);
        completion->done = true;
        completion->error = error;
    }
    completion->finished.notify_all();
}

// Starts one sound and waits for it; false when the server could not play it.
bool playAndWait(ca_context *context, const char *property, const QByteArray &value,
                 std::chrono::milliseconds limit)
{
    ca_proplist *properties = nullptr;
    if (ca_proplist_create(&properties) != CA_SUCCESS)
        return false;
    ca_proplist_sets(properties, property, value.constData());
    ca_proplist_sets(properties, CA_PROP_CANBERRA_CACHE_CONTROL, "never");

    Completion completion;
    const int started = ca_context_play_full(context, 1, properties, onFinished, &completion);
    ca_proplist_destroy(properties);
    if (started != CA_SUCCESS)
        return false;

    std::unique_lock lock(completion.mutex);
    if (!completion.finished.wait_for(lock, limit, [&] { return completion.done; })) {
        lock.unlock();
        ca_context_cancel(context, 1);
        lock.lock();
        // The callback still comes after a cancel; it refers to `completion`.
        completion.finished.wait_for(lock, 500ms, [&] { return completion.done; });
        return true;
    }
    return completion.error == CA_SUCCESS;
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

void playSoundSynchronously(const QString &wavFile)
{
    ca_context *context = nullptr;
    if (ca_context_create(&context) != CA_SUCCESS)
        return;
    ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Tavik", nullptr);
    if (ca_context_open(context) == CA_SUCCESS) {
        const std::optional<std::chrono::milliseconds> length = wavDuration(wavFile);
        const bool played =
            length
            && playAndWait(context, CA_PROP_MEDIA_FILENAME,
                           QFile::encodeName(QFileInfo(wavFile).absoluteFilePath()),
                           *length + startupAllowance);
        if (!played)
            playAndWait(context, CA_PROP_EVENT_ID, "bell",
                        std::chrono::duration_cast<std::chrono::milliseconds>(defaultSoundLimit));
    }
    ca_context_destroy(context);
}

} // namespace tavik
