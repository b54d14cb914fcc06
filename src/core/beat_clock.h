#pragma once
// The show's one clock, as pure arithmetic: milliseconds since the music started, converted to
// beats at the show's tempo. Every moving thing on screen is a pure function of these values,
// so the picture stays on the beat whatever the frame rate, and any moment can be drawn by
// setting the clock to it.
//
//   timing_set_ms(ms)   the clock at a show time: timing_ms, timing_beats, timing_frac
//   beat_phase(k)       position in [0, 1) within a cycle of 1/k beats
//   beat_wave(k)        raised cosine over that cycle: 0 at its ends, 1 at its middle
//
// What moves the clock in time (SDL's ticks, the music, the skip) lives with the show's loop.

#include "core/timeline.h"

#include <cstdint>

// Beats per minute: the show's tempo, the same for the whole run.
constexpr float timing_bpm = static_cast<float>(kShowBpm);

extern std::int32_t timing_ms;  // show time in milliseconds
extern float timing_beats;      // show time in beats
extern float timing_frac;       // timing_beats - floor(timing_beats), in [0, 1)

// Cycle lengths for beat_phase() and beat_wave(), as cycles per beat (exact in binary).
constexpr double kPer32Beats = 1.0 / 32;
constexpr double kPer8Beats = 1.0 / 8;
constexpr double kPer4Beats = 1.0 / 4;
constexpr double kPer2Beats = 1.0 / 2;

void timing_set_ms(std::int32_t ms);

float beat_phase(double cycles_per_beat);
float beat_wave(double cycles_per_beat);
