// Depends on SDL for the tick count and the audio lock, and on SDL_mixer for the hook that runs
// after every buffer it mixes.
//
// The smallest of the last notes (the callbacks least delayed by the scheduler) is the moment
// the music's start was mixed; it moves later only when the driver ran dry, which delays
// everything after it. A mixer that stood still for a while (a suspended sink, a stopped
// process) starts its notes again, so that the moment follows the sound at once. The first
// block after a start is left out: a device that has just opened takes a buffer's worth at
// once before it plays any of it.
#include "run/hearing.h"

#include "core/timeline.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <sys/stat.h>  // stat

#include <algorithm>  // std::min_element, std::nth_element
#include <cstdlib>    // std::getenv
#include <cstring>    // std::strcmp
#include <mutex>
#include <string>

namespace {
// About 1.4 s of buffers (2.7 s of alsa's larger ones): outlasts a burst of late callbacks.
constexpr int kNotesKept = 64;
// Buffers mixed this close together were asked for at once: the server took a block of them.
constexpr std::int32_t kSameBlockMs = 3;
constexpr int kBlocksKept = 9;
// No buffer for this long and the mixer stood still rather than ran late: longer than the
// largest graph quantum a PipeWire desktop uses (8192 frames, 171 ms at 48 kHz).
constexpr std::int32_t kStandstillMs = 500;

std::string driver_name;
bool on_pipewire = false;
int device_chunk_frames = kAudioChunkFrames;  // the driver's, as the device was opened

// Written by the audio thread, or by the main thread with the audio thread locked out; read
// by the main thread under the lock below.
struct MixNotes {
    bool playing;
    std::int64_t position;  // the music's position at the start of the next buffer, in samples
    std::int32_t starts[kNotesKept];
    int count;
    std::int32_t last_ticks;
    std::int64_t mixes;
    int block_frames;  // the block being mixed now
    int blocks[kBlocksKept];
    int block_count;
    bool first_block;  // the block since the start, not noted
};
MixNotes notes{};
std::mutex notes_lock;

// Keeps the count of buffers mixed, which outlives a restart.
void restart_notes(std::int64_t position, bool playing)
{
    notes.playing = playing;
    notes.position = position;
    notes.count = 0;
    notes.block_frames = 0;
    notes.block_count = 0;
    notes.first_block = true;
}

void note_mix(void*, Uint8*, int bytes)
{
    const std::lock_guard<std::mutex> hold(notes_lock);
    if (!notes.playing) {
        return;
    }
    const auto now = static_cast<std::int32_t>(SDL_GetTicks());
    const int frames = bytes / (kAudioChannels * static_cast<int>(sizeof(Sint16)));
    if (notes.mixes > 0 && now - notes.last_ticks > kStandstillMs) {
        restart_notes(notes.position, true);
    }
    if (notes.block_frames > 0 && now - notes.last_ticks > kSameBlockMs) {
        if (!notes.first_block) {
            notes.blocks[notes.block_count++ % kBlocksKept] = notes.block_frames;
        }
        notes.first_block = false;
        notes.block_frames = 0;
    }
    notes.block_frames += frames;
    notes.last_ticks = now;
    ++notes.mixes;
    if (!notes.first_block) {
        notes.starts[notes.count++ % kNotesKept] =
            now - static_cast<std::int32_t>(notes.position * 1000 / kAudioRate);
    }
    notes.position += frames;
}

// The typical block of the last few, or a chunk until a few are known.
int typical_block()
{
    if (notes.block_count < kBlocksKept / 2 + 1) {
        return device_chunk_frames;
    }
    int recent[kBlocksKept];
    const int n = std::min(notes.block_count, kBlocksKept);
    std::copy(notes.blocks, notes.blocks + n, recent);
    std::nth_element(recent, recent + n / 2, recent + n);
    return recent[n / 2];
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
    {"pulse", false, 0.6}, {"pulse", true, 1.5},   {"alsa", false, 1.6},
    {"alsa", true, 1.8},   {"dsound", false, 2.0}, {"waveout", false, 2.0},
};
// ALSA through the sound server's plugin holds little more than two chunks: a show drawing on
// a busy processor let 1 024 frames run dry again and again (the music broke up on one core),
// never 2 048.
constexpr int kAlsaChunkFrames = 2048;
// Any other driver: most keep about one chunk queued.
constexpr double kUnknownDriverChunks = 1.0;
// A server that takes larger blocks than a chunk holds about this many of them between the
// mixer and the loudspeaker (measured on PipeWire with its quantum forced to 4096 and 8192).
constexpr double kBlocksQueued = 3.0;

// PipeWire's socket in the session's runtime folder: the pulse server there is PipeWire's.
bool pipewire_runs()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat socket_status {};
    return runtime != nullptr &&
           stat((std::string(runtime) + "/pipewire-0").c_str(), &socket_status) == 0;
}
}  // namespace

double driver_queue_ms(const char* driver, bool on_pipewire, int chunk_frames, int block_frames,
                       int rate)
{
    double chunks = kUnknownDriverChunks;
    for (const DriverQueue& entry : kDriverQueues) {
        if (std::strcmp(entry.driver, driver) == 0 && entry.on_pipewire == on_pipewire) {
            chunks = entry.chunks;
        }
    }
    const double frames = block_frames > chunk_frames
                              ? std::max(chunks * chunk_frames, kBlocksQueued * block_frames)
                              : chunks * chunk_frames;
    return frames * 1000.0 / rate;
}

int hearing_choose_driver(const char* driver)
{
    driver_name = driver;
    device_chunk_frames = std::strcmp(driver, "alsa") == 0 ? kAlsaChunkFrames : kAudioChunkFrames;
    return device_chunk_frames;
}

void hearing_listen()
{
    on_pipewire = pipewire_runs();
    Mix_SetPostMix(note_mix, nullptr);
}

void hearing_restart(std::int64_t position, bool playing)
{
    const std::lock_guard<std::mutex> hold(notes_lock);
    restart_notes(position, playing);
}

std::int64_t hearing_next_sample()
{
    const std::lock_guard<std::mutex> hold(notes_lock);
    return notes.position;
}

HeardMusic hearing_now()
{
    const std::lock_guard<std::mutex> hold(notes_lock);
    const int block = typical_block();
    const auto block_ms = static_cast<std::int32_t>(std::int64_t{block} * 1000 / kAudioRate);
    if (notes.count == 0) {
        return HeardMusic{false, 0, 0, notes.mixes, block_ms};
    }
    const std::int32_t mixed_start =
        *std::min_element(notes.starts, notes.starts + std::min(notes.count, kNotesKept));
    const double queue_ms =
        driver_queue_ms(driver_name.c_str(), on_pipewire, device_chunk_frames, block, kAudioRate);
    return HeardMusic{true, mixed_start + static_cast<std::int32_t>(queue_ms + 0.5),
                      static_cast<std::int32_t>(notes.position * 1000 / kAudioRate), notes.mixes,
                      block_ms};
}
