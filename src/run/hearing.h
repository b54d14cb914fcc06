#pragma once
// When the listener hears the music: the measurement the show's clock is anchored to.
//
// The mixer hands its buffers to the audio driver, which queues them before they sound, so a
// sample is heard a queue's length after the mixer mixed it. After every buffer it mixes, the
// audio thread notes when the music's start would have been mixed had it played without a
// break since; the driver's queue comes from a small table measured per driver.
//
//   hearing_open()        once the audio device is open: the driver's queue, the mixer's hook
//   hearing_restart(p)    with the audio locked: the next buffer mixed starts at music sample p
//   hearing_next_sample() with the audio locked: where the next buffer mixed starts
//   music_heard_from(t)   the tick count at which the music's first sample is heard

#include <cstdint>

void hearing_open();
void hearing_restart(std::int64_t position, bool playing);
std::int64_t hearing_next_sample();
// False until the mixer has mixed music since the last restart.
bool music_heard_from(std::int32_t& ticks);

// How long the named SDL audio driver holds a buffer before it sounds, in milliseconds, for
// buffers of `chunk_frames` at `rate`, on PipeWire or not.
double driver_queue_ms(const char* driver, bool on_pipewire, int chunk_frames, int rate);
