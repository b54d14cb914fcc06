#include "core/beat_clock.h"

#include "core/timeline.h"

#include <cmath>  // std::floor, std::sin

std::int32_t timing_ms = 0;
float timing_beats = 0.0f;
float timing_frac = 0.0f;

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = 1.5707963267948966;
}  // namespace

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
