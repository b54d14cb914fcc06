// The show clock. Depends on SDL for the tick count and on the music module for playback;
// holds no other state than the timing_ values.
#include "run/clock.h"

#include "run/music.h"

#include <SDL.h>

#include <cmath>   // std::floor, std::sin
#include <cstdio>  // std::printf

float timing_bpm = 0.0f;
std::int32_t timing_start = 0;
std::int32_t timing_ms = 0;
float timing_beats = 0.0f;
float timing_frac = 0.0f;

namespace {
constexpr double kMsPerMinute = 60000.0;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = 1.5707963267948966;
}  // namespace

void start_show_clock()
{
    timing_bpm = kShowBpm;
    timing_start = static_cast<std::int32_t>(SDL_GetTicks());
    timing_ms = 0;
    play_music();
}

void tick_show_clock()
{
    timing_set_ms(static_cast<std::int32_t>(SDL_GetTicks()) - timing_start);
}

void timing_set_ms(std::int32_t ms)
{
    timing_ms = ms;
    // Double first: late in the show ms * bpm exceeds what a float holds exactly.
    timing_beats = static_cast<float>(static_cast<double>(timing_ms) * timing_bpm / kMsPerMinute);
    timing_frac = timing_beats - std::floor(timing_beats);
}

float beat_phase(double cycles_per_beat)
{
    // From timing_ms rather than timing_beats, for the same precision reason.
    const float x = static_cast<float>(static_cast<double>(timing_ms) * timing_bpm *
                                       cycles_per_beat / kMsPerMinute);
    return x - std::floor(x);
}

float beat_wave(double cycles_per_beat)
{
    const double p = beat_phase(cycles_per_beat);
    return static_cast<float>(0.5 * std::sin(kTwoPi * p - kHalfPi) + 0.5);
}

void skip_forward()
{
    timing_start -= kSkipMs;
    seek_music_after_skip(static_cast<std::int32_t>(SDL_GetTicks()) - timing_start);
}

void probe_open()
{
    std::printf("|| timing_beats > %f && timing_beats <= ", timing_beats);
}

void probe_close()
{
    std::printf("%f\n", timing_beats);
}
