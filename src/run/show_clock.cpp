// Depends on SDL for the tick count and on the music module for playback; the clock values
// themselves belong to the core.
#include "run/show_clock.h"

#include "core/beat_clock.h"
#include "core/timeline.h"
#include "run/music.h"

#include <SDL.h>

namespace {
std::int32_t ticks_now()
{
    return static_cast<std::int32_t>(SDL_GetTicks());
}
}  // namespace

void start_show_clock()
{
    timing_start = ticks_now();
    timing_set_ms(0);
    play_music();
}

void tick_show_clock()
{
    timing_set_ms(ticks_now() - timing_start);
}

void skip_forward()
{
    timing_start -= kSkipMs;
    seek_music_to(ticks_now() - timing_start);
}
