// The synchronous sound effect: libsndfile reads the file's length, libcanberra
// plays it.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

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

class SoundEffect {
public:
    explicit SoundEffect(const CanberraCalls &calls = libcanberra());
    ~SoundEffect();
    SoundEffect(const SoundEffect &) = delete;
    SoundEffect &operator=(const SoundEffect &) = delete;

    // Plays `wavFile` (or, when it is unplayable, the freedesktop "bell" event
    // sound) and returns when it has finished, but never later than its
    // length (none for the bell) plus two seconds after the call, whatever the
    // sound server does: a server that stops answering is left to a background
    // thread, which plays nothing more. Returns at once when no sound can be
    // played, and while a sound given up on is still being wound down in the
    // background because its server does not answer (that server would not
    // play a new sound either). The thread goes by the name "tavik sound".
    // A file is unplayable when it is missing, no regular file, no WAV file
    // libsndfile can read, has a sample rate below 1 kHz or above 384 kHz, or
    // lasts longer than a minute. The log (tavik.sound, at info level) tells
    // each sound's length as read and how long the caller waits at most.
    void playSynchronously(const QString &wavFile);

    struct Shared;

private:
    // Shared with the playing threads, which may outlive this object.
    std::shared_ptr<Shared> m_shared;
};

} // namespace tavik
