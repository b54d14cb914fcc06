#pragma once
// The soundtrack: an MP3 carried inside the executable and played through SDL_mixer from
// memory. Failures are not fatal: without a device or a track the show runs silent on the same
// clock. When the listener hears what it plays is measured beside it, in run/hearing.h.
//
//   open_music()        the audio device at the track's own rate, and the track
//   play_music(ms)      from that show time on, looping; 0 is the track's start
//   seek_music_to(ms)   while it plays: on to that show time
//   music_device_lost() the device stopped for good (its sound server went away)
//   reopen_music()      a lost device closed, and the device and the track opened again
//   close_music()       the audio device

#include <cstdint>

void open_music();
bool music_plays();  // the device opened and the track loaded
void play_music(std::int32_t from_show_ms);
void seek_music_to(std::int32_t show_ms);
bool music_device_lost();
void reopen_music();
void close_music();
