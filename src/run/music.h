#pragma once
// The soundtrack: an MP3 carried inside the executable and played through SDL_mixer from
// memory, and when a listener hears it. Failures are not fatal: without a device or a track
// the show runs silent on the same clock.
//
// The mixer hands its buffers to the audio driver, which queues them before they sound, so the
// music's first sample is heard a queue's length after the mixer mixed it. The mixer reports
// when it mixed that buffer; the driver's queue comes from a small table measured per driver.

#include <cstdint>

void open_music();   // the audio device at the track's own rate, and the track
bool music_plays();  // the device opened and the track loaded
void play_music();   // from the start, looping
// The tick count at which the first sample that play_music() started is heard; false until
// the mixer has mixed it.
bool music_heard_from(std::int32_t& ticks);
void seek_music_to(std::int32_t show_ms);  // only while the music plays
void close_music();                        // the audio device

// How long the named SDL audio driver holds a buffer before it sounds, in milliseconds, for
// buffers of `chunk_frames` at `rate`, on PipeWire or not.
double driver_queue_ms(const char* driver, bool on_pipewire, int chunk_frames, int rate);
