#pragma once
// The show's clock in real time: the stage's music as the listener hears it (play/music.h)
// drives the pure beat clock, SDL's tick count between its readings, and the music starts and
// skips together with it. Each pass draws the moment heard when its frame will be on the
// screen. What the clock decides, and why, is the core's pure policy (core/clock_policy.h).
//
//   start_show_clock()  once per show, after loading: the music from its start, then the
//                       clock's origin
//   tick_show_clock()   first thing in every loop pass
//   frame_shown()       once the pass's frame is presented: how long it took to show
//   skip_forward()      key s: clock and music ten seconds ahead

#include <cstdint>

// The tick count at which show time 0 is heard; moved back by the skip.
extern std::int32_t timing_start;
// How far ahead of the music heard at the clock's reading the pass draws: the expected time
// until its frame is on the screen. Show time is SDL_GetTicks() + timing_lead_ms - timing_start.
extern std::int32_t timing_lead_ms;

void start_show_clock();
void tick_show_clock();
void frame_shown();
void skip_forward();
