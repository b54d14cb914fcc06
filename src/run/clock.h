#pragma once
// The show's one clock: milliseconds since the music started, read once per loop pass and
// converted to beats at a fixed tempo. Every moving thing on screen is a pure function of
// these values, so the picture stays on the beat whatever the frame rate.
//
//   start_show_clock()  once, after loading: tempo, origin, music start
//   tick_show_clock()   first thing in every loop pass
//   beat_phase(k)       position in [0, 1) within a cycle of 1/k beats
//   beat_wave(k)        raised cosine over that cycle: 0 at its ends, 1 at its middle
//   skip_forward()      key s: clock and music ten seconds ahead
//   probe_open/close()  key t and any key release: a beat-interval condition on stdout
//
// Also: timing_set_ms() sets the clock to a given show time without SDL; tick_show_clock()
// uses it, and so can anything that wants to draw a chosen moment.

#include <cstdint>

extern float timing_bpm;           // beats per minute, 180 for the whole run
extern std::int32_t timing_start;  // SDL tick count at the start of the show
extern std::int32_t timing_ms;     // show time in milliseconds
extern float timing_beats;         // show time in beats
extern float timing_frac;          // timing_beats - floor(timing_beats), in [0, 1)

constexpr float kShowBpm = 180.0f;
constexpr std::int32_t kSkipMs = 10000;

// Cycle lengths for beat_phase() and beat_wave(), as cycles per beat (exact in binary).
constexpr double kPer32Beats = 1.0 / 32;
constexpr double kPer8Beats = 1.0 / 8;
constexpr double kPer4Beats = 1.0 / 4;
constexpr double kPer2Beats = 1.0 / 2;

void start_show_clock();
void tick_show_clock();
void timing_set_ms(std::int32_t ms);

float beat_phase(double cycles_per_beat);
float beat_wave(double cycles_per_beat);

void skip_forward();
void probe_open();
void probe_close();
