#pragma once
// The soundtrack: an MP3 carried inside the executable and played through SDL_mixer from
// memory. Failures are not fatal: without a device or a track the show runs silent on the same
// clock. When the listener hears what it plays is measured beside it, in run/hearing.h.

#include <cstdint>

void open_music();   // the audio device at the track's own rate, and the track
bool music_plays();  // the device opened and the track loaded
void play_music();   // from the start, looping
void seek_music_to(std::int32_t show_ms);  // only while the music plays
void close_music();                        // the audio device
