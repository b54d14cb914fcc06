#pragma once
// The show's music as its mixer plays it, sample for sample, for the video's sound track. The
// carried MP3 goes through SDL_mixer exactly as the show plays it (same rate, format, chunk
// size, and the track's own lead-in that pays the decoder's delay), but into SDL's "disk"
// driver aimed at /dev/null with no pacing, so the mixer runs as fast as it can on its own
// thread; what it mixes is taken at its post-mix hook. No sound device is touched.
//
//   soundtrack_start(skip, frames, error)  starts the mixer; keeps `frames` samples per channel
//                                          from show sample `skip` on (silence before 0)
//   soundtrack_wait(frames)   blocks until that many are kept; false if the mixer failed
//   soundtrack_samples()      the kept samples, interleaved stereo, 16-bit
//   soundtrack_poll()         closes the mixer once everything is kept (call now and then)
//   soundtrack_stop()         closes the mixer, whatever it has kept

#include <cstdint>
#include <string>

bool soundtrack_start(std::int64_t skip, std::int64_t frames, std::string& error);
bool soundtrack_wait(std::int64_t frames);
const std::int16_t* soundtrack_samples();
void soundtrack_poll();
void soundtrack_stop();
