#pragma once
// The show's clock in real time: SDL's tick count drives the pure beat clock, and the music
// starts and skips together with it.
//
//   start_show_clock()  once, after loading: clock origin, then the music from its start
//   tick_show_clock()   first thing in every loop pass
//   skip_forward()      key s: clock and music ten seconds ahead

void start_show_clock();
void tick_show_clock();
void skip_forward();
