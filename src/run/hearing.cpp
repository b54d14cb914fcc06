// Depends on SDL for the tick count, the driver's name and the audio lock, and on SDL_mixer
// for the hook that runs after every buffer it mixes.
//
// The smallest of the last notes (the callbacks least delayed by the scheduler) is the moment
// the music's start was mixed; it moves later only when the driver ran dry, which delays
// everything after it.
#include "run/hearing.h"

#include "core/timeline.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <sys/stat.h>  // stat

#include <algorithm>  // std::min_element
#include <atomic>
#include <cstdlib>  // std::getenv
#include <cstring>  // std::strcmp
#include <string>

namespace {
constexpr int kNotesKept = 64;  // about 0.7 s of buffers

double queue_ms = 0.0;

// Written by the audio thread, or by the main thread with the audio thread locked out.
struct MixNotes {
    bool playing;
    std::int64_t position;  // the music's position at the start of the next buffer, in samples
    std::int32_t starts[kNotesKept];
    int count;
};
MixNotes notes{};
std::atomic<std::int32_t> mixed_start_ticks{0};
std::atomic<bool> mixed_start_known{false};

void note_mix(void*, Uint8*, int bytes)
{
    if (!notes.playing) {
        return;
    }
    notes.starts[notes.count++ % kNotesKept] =
        static_cast<std::int32_t>(SDL_GetTicks()) -
        static_cast<std::int32_t>(notes.position * 1000 / kAudioRate);
    mixed_start_ticks =
        *std::min_element(notes.starts, notes.starts + std::min(notes.count, kNotesKept));
    mixed_start_known = true;
    const int frames = bytes / (kAudioChannels * static_cast<int>(sizeof(Sint16)));
    notes.position += frames;
}

// Buffers each driver holds between the mixer and the loudspeaker, as multiples of the mixer's
// chunk: for SDL 1.2's pulse and alsa drivers measured on a private PulseAudio and PipeWire
// (whose pulse server holds about two graph quanta more); for the Windows drivers, the buffers
// SDL itself keeps queued.
struct DriverQueue {
    const char* driver;
    bool on_pipewire;
    double chunks;
};
constexpr DriverQueue kDriverQueues[] = {
    {"pulse", false, 1.0}, {"pulse", true, 1.5},   {"alsa", false, 1.5},
    {"alsa", true, 1.8},   {"dsound", false, 2.0}, {"waveout", false, 2.0},
};
// Any other driver: most keep about one chunk queued.
constexpr double kUnknownDriverChunks = 1.0;

// PipeWire's socket in the session's runtime folder: the pulse server there is PipeWire's.
bool pipewire_runs()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat socket_status {};
    return runtime != nullptr &&
           stat((std::string(runtime) + "/pipewire-0").c_str(), &socket_status) == 0;
}
}  // namespace

double driver_queue_ms(const char* driver, bool on_pipewire, int chunk_frames, int rate)
{
    double chunks = kUnknownDriverChunks;
    for (const DriverQueue& entry : kDriverQueues) {
        if (std::strcmp(entry.driver, driver) == 0 && entry.on_pipewire == on_pipewire) {
            chunks = entry.chunks;
        }
    }
    return chunks * chunk_frames * 1000.0 / rate;
}

void hearing_open()
{
    char driver[32] = "";
    SDL_AudioDriverName(driver, sizeof driver);
    queue_ms = driver_queue_ms(driver, pipewire_runs(), kAudioChunkFrames, kAudioRate);
    Mix_SetPostMix(note_mix, nullptr);
}

void hearing_restart(std::int64_t position, bool playing)
{
    notes.playing = playing;
    notes.position = position;
    notes.count = 0;
    mixed_start_known = false;
}

std::int64_t hearing_next_sample()
{
    return notes.position;
}

bool music_heard_from(std::int32_t& ticks)
{
    if (!mixed_start_known) {
        return false;
    }
    ticks = mixed_start_ticks + static_cast<std::int32_t>(queue_ms + 0.5);
    return true;
}
