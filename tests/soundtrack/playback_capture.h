#pragma once
// Plays an MP3 held in memory through SDL_mixer exactly as the show opens it (the timeline's
// audio rate, channels and chunk size, signed 16-bit little-endian) and returns what the
// mixer outputs from the moment Mix_PlayMusic is called. SDL's "disk" audio driver with no
// delay stands in for the sound card, so this runs faster than real time on any machine.

#include <cstdint>
#include <string>
#include <vector>

struct Capture {
    std::vector<std::int16_t> samples;  // interleaved left, right
    std::string error;                  // empty when the capture completed
};

Capture capture_playback(const std::vector<unsigned char>& mp3, std::int64_t frames);

// Kick onsets: the sample of sharpest rise in level within `search` samples of each expected
// position, measured on zero-phase low-passed mono so the filter shifts nothing.
std::vector<std::int64_t> find_onsets(const std::vector<float>& mono,
                                      const std::vector<std::int64_t>& expected,
                                      std::int64_t search);
