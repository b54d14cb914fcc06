#pragma once
// The show's clock in real time: the music as the listener hears it (run/hearing.h) drives the
// pure beat clock, SDL's tick count between its readings, and the music starts and skips
// together with it.
//
//   start_show_clock()  once, after loading: the music from its start, then the clock's origin
//   tick_show_clock()   first thing in every loop pass
//   skip_forward()      key s: clock and music ten seconds ahead

#include <cstdint>

// The tick count at which show time 0 is heard; moved back by the skip.
extern std::int32_t timing_start;

void start_show_clock();
void tick_show_clock();
void skip_forward();
