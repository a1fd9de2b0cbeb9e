// The synchronous sound effect, over libcanberra.
#pragma once

#include <QString>
#include <chrono>
#include <optional>

namespace tavik {

// The playing time of a PCM WAV file, read from its header, or nothing when
// the file is missing or no readable WAV file.
std::optional<std::chrono::milliseconds> wavDuration(const QString &wavFile);

// The longest playSoundSynchronously() waits for a sound of `length` (nothing:
// a file that cannot be played), whatever the sound server does.
std::chrono::milliseconds soundWaitLimit(std::optional<std::chrono::milliseconds> length);

// Plays `wavFile` (or, when it cannot be played, the freedesktop "bell" event
// sound) and returns when it has finished. Returns at once when no sound can
// be played, and never waits longer than soundWaitLimit(): a server that stops
// answering is left to a background thread, which plays nothing more.
void playSoundSynchronously(const QString &wavFile);

// True while a sound given up on is still being wound down in the background
// because its server does not answer. Meanwhile playSoundSynchronously()
// returns at once: that server would not play a new sound either.
bool soundStillWindingDown();

} // namespace tavik
