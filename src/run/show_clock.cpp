// Depends on SDL for the tick count, on the music module for playback and on the hearing
// measurement for when it is heard; the clock values themselves belong to the core.
//
// Show time is the position of the music the listener hears, not of the music handed to the
// mixer: until the first sample is heard the show holds its first frame, and if the sound ever
// falls behind (a driver that ran dry, the queue after a skip) the picture waits for it rather
// than run ahead. The clock never runs backwards. Without music it runs from the ticks.
#include "run/show_clock.h"

#include "core/beat_clock.h"
#include "core/timeline.h"
#include "run/hearing.h"
#include "run/music.h"

#include <SDL.h>

#include <algorithm>  // std::max

std::int32_t timing_start = 0;

namespace {
// A driver that never mixes is not waited for longer than this: the show runs silent then.
constexpr std::int32_t kFirstMixTimeoutMs = 3000;

bool waiting_for_music = false;
std::int32_t music_started_at = 0;
std::int32_t held_ms = 0;  // the moment shown while waiting: 0, or later after skips

std::int32_t ticks_now()
{
    return static_cast<std::int32_t>(SDL_GetTicks());
}
}  // namespace

void start_show_clock()
{
    play_music();
    music_started_at = ticks_now();
    timing_start = music_started_at;
    waiting_for_music = music_plays();
    held_ms = 0;
    timing_set_ms(0);
}

void tick_show_clock()
{
    const std::int32_t now = ticks_now();
    std::int32_t heard_from = 0;
    if (music_heard_from(heard_from)) {
        timing_start = heard_from;
        waiting_for_music = false;
    } else if (waiting_for_music) {
        if (now - music_started_at <= kFirstMixTimeoutMs) {
            timing_set_ms(held_ms);
            return;
        }
        timing_start = now - held_ms;
        waiting_for_music = false;
    }
    timing_set_ms(std::max(now - timing_start, timing_ms));
}

void skip_forward()
{
    timing_start -= kSkipMs;
    held_ms += kSkipMs;
    seek_music_to(waiting_for_music ? held_ms : ticks_now() - timing_start);
}
