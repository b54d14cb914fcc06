#pragma once
// The carried soundtrack through SDL_mixer, the same way wherever it is mixed (the show's sound
// device, the capture's recorder): the mixer at the track's own rate and format, and the track
// decoded from the executable's memory.
//
//   track_mixer_open(chunk_frames)  the mixer, mixing buffers of that many frames; false if
//                                   it did not open (SDL's error says why)
//   track_mixer_load()              the track for Mix_PlayMusic, or null (the mixer's error
//                                   says why)

#include <SDL_mixer.h>

bool track_mixer_open(int chunk_frames);
Mix_Music* track_mixer_load();
