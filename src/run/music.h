#pragma once
// The soundtrack: an MP3 carried inside the executable and played through SDL_mixer from
// memory. Failures are not fatal: without a device or a track the show runs silent on the
// same clock.

#include "assets/asset_blob.h"

#include <cstdint>

extern "C" const AssetBlob music_track;

void open_music();  // the audio device at the track's own rate, and the track
void play_music();  // from the start, looping
void seek_music_to(std::int32_t show_ms);  // only while the music plays
void close_music();                        // the audio device
