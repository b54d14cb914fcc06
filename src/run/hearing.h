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
//   hearing_choose_driver(d) before the device opens: the named driver's queue; returns the
//                            chunk to mix it with
//   hearing_listen()         once the audio device is open: the mixer's hook
//   hearing_restart(p)       with the audio locked: the next buffer mixed starts at music
//                            sample p
//   hearing_next_sample()    with the audio locked: where the next buffer mixed starts
//   hearing_now()            what is known now, for the clock

#include "play/music.h"  // HeardMusic

#include <cstdint>

int hearing_choose_driver(const char* driver);
void hearing_listen();
void hearing_restart(std::int64_t position, bool playing);
std::int64_t hearing_next_sample();
HeardMusic hearing_now();

// How long the named SDL audio driver holds a buffer before it sounds, in milliseconds, for
// buffers of `chunk_frames` at `rate`, on PipeWire or not, when the server takes `block_frames`
// at once.
double driver_queue_ms(const char* driver, bool on_pipewire, int chunk_frames, int block_frames,
                       int rate);
