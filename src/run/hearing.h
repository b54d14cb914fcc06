#pragma once
// When the listener hears the music: the measurement the show's clock is anchored to.
//
// The mixer hands its buffers to the audio driver, which queues them before they sound, so a
// sample is heard a queue's length after the mixer mixed it. After every buffer it mixes, the
// audio thread notes when the music's start would have been mixed had it played without a
// break since, and how large a block the sound server took at once; the driver's queue comes
// from a small table measured per driver, grown by the blocks a server takes beyond a chunk
// (PipeWire's graph quantum, which a desktop may raise during the show).
//
//   driver_chunk_frames() before the device opens: the chunk to mix for the named driver
//   hearing_open(driver)  once the audio device is open: the driver's queue, the mixer's hook
//   hearing_restart(p)    with the audio locked: the next buffer mixed starts at music sample p
//   hearing_next_sample() with the audio locked: where the next buffer mixed starts
//   music_heard()         what is known now, for the clock

#include <cstdint>

struct HeardMusic {
    bool heard;                // music was mixed since the last restart
    std::int32_t start_ticks;  // the tick count at which the music's first sample is heard
    std::int32_t mixed_ms;     // the music mixed so far ends here, in music milliseconds
    std::int64_t mixes;        // buffers mixed since the device opened
    std::int32_t block_ms;     // how long the blocks the server takes at once last
};

int driver_chunk_frames(const char* driver);
void hearing_open(const char* driver);
void hearing_restart(std::int64_t position, bool playing);
std::int64_t hearing_next_sample();
HeardMusic music_heard();

// How long the named SDL audio driver holds a buffer before it sounds, in milliseconds, for
// buffers of `chunk_frames` at `rate`, on PipeWire or not, when the server takes `block_frames`
// at once.
double driver_queue_ms(const char* driver, bool on_pipewire, int chunk_frames, int block_frames,
                       int rate);
