// The synchronous sound effect: libsndfile reads the file's length, libcanberra
// plays it.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

struct ca_context;
struct ca_proplist;

namespace tavik {

// The libcanberra calls the sound effect makes. The real ones are
// libcanberra(); tests put a recording stand-in in their place.
struct CanberraCalls {
    using FinishCallback = void (*)(ca_context *, std::uint32_t id, int error, void *userdata);
    int (*context_create)(ca_context **) = nullptr;
    int (*context_change_props_full)(ca_context *, ca_proplist *) = nullptr;
    int (*context_open)(ca_context *) = nullptr;
    int (*context_play_full)(ca_context *, std::uint32_t id, ca_proplist *, FinishCallback, void *userdata) = nullptr;
    int (*context_cancel)(ca_context *, std::uint32_t id) = nullptr;
    int (*context_destroy)(ca_context *) = nullptr;
    int (*proplist_create)(ca_proplist **) = nullptr;
    int (*proplist_sets)(ca_proplist *, const char *key, const char *value) = nullptr;
    int (*proplist_destroy)(ca_proplist *) = nullptr;
};
const CanberraCalls &libcanberra();

// The longest sound that is played. The window takes no input while a sound
// plays, and the logo's sound is a short effect: a file claiming more is far
// likelier a header that lies (a sample rate of a few hertz) than a sound
// anyone wants to wait for, so it counts as unplayable.
inline constexpr std::chrono::milliseconds longestSound = std::chrono::minutes(1);

// How much longer than the sound itself the caller may be held: time for the
// sound server to connect and start, or for the default sound when the file
// cannot be played.
inline constexpr std::chrono::milliseconds soundGrace = std::chrono::seconds(2);

// How long SoundEffect::playSynchronously() waits at most for a sound of
// `length` (zero for the bell): that length and soundGrace, less a slack for a
// busy machine, which may wake the waiting caller late.
std::chrono::milliseconds longestWait(std::chrono::milliseconds length);

// The playing time of a sound file, as libsndfile reads it (frames over
// sample rate), or nothing when the file is unplayable: missing, no regular
// file, no WAV file libsndfile can read, a sample rate below 1 kHz or above
// 384 kHz, or longer than longestSound.
std::optional<std::chrono::milliseconds> soundLength(const QString &file);

class SoundEffect {
public:
    explicit SoundEffect(const CanberraCalls &calls = libcanberra());
    ~SoundEffect();
    SoundEffect(const SoundEffect &) = delete;
    SoundEffect &operator=(const SoundEffect &) = delete;

    // Plays `wavFile` (or, when it is unplayable, the freedesktop "bell" event
    // sound) and returns when it has finished, but never later than its
    // length (none for the bell) plus soundGrace after the call, whatever the
    // sound server does: a server that stops answering is left to a background
    // thread, which plays nothing more. Returns at once when no sound can be
    // played, and while a sound given up on is still being wound down in the
    // background because its server does not answer (that server would not
    // play a new sound either). The thread goes by the name "tavik sound".
    void playSynchronously(const QString &wavFile);

    struct Shared;

private:
    // Shared with the playing threads, which may outlive this object.
    std::shared_ptr<Shared> m_shared;
};

} // namespace tavik
