// The synchronous sound effect, over libcanberra.
#pragma once

#include <QString>
#include <chrono>
#include <optional>

namespace tavik {

// The playing time of a PCM WAV file, read from its header, or nothing when
// the file is missing or no readable WAV file.
std::optional<std::chrono::milliseconds> wavDuration(const QString &wavFile);

// Plays `wavFile` (or, when it cannot be played, the freedesktop "bell" event
// sound) and returns when it has finished. Returns at once when no sound can
// be played, and never waits much longer than the sound's own length.
void playSoundSynchronously(const QString &wavFile);

} // namespace tavik
