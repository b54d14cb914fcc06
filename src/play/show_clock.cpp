// Depends on SDL for the tick count and on the stage's music (play/music.h) for playback and
// for when it is heard; the decisions are the core's pure clock policy, the values the pure
// beat clock's.
#include "play/show_clock.h"

#include "core/beat_clock.h"
#include "core/clock_policy.h"
#include "play/music.h"
#include "play/swap_delay.h"

#include <SDL.h>

std::int32_t timing_start = 0;
std::int32_t timing_lead_ms = 0;

namespace {
ClockState clock;

std::int32_t ticks_now()
{
    return static_cast<std::int32_t>(SDL_GetTicks());
}

ClockReading read_clock()
{
    const HeardMusic heard = music_heard();
    return ClockReading{ticks_now(),     heard.heard,         heard.start_ticks,
                        heard.mixed_ms,  heard.mixes,         heard.block_ms,
                        swap_delay_ms(), music_device_lost(), music_plays()};
}

// The clock's origin and lead as the probe's readers see them.
void publish()
{
    timing_start = clock.start;
    timing_lead_ms = clock.lead_ms;
}
}  // namespace

void start_show_clock()
{
    play_music(0);
    clock_start(clock, ticks_now(), music_plays());
    publish();
    timing_set_ms(0);
}

void tick_show_clock()
{
    const ClockReading reading = read_clock();
    const ClockPass pass = clock_pass(clock, reading);
    if (pass.music == ClockMusic::seek) {
        seek_music_to(pass.music_ms);
    } else if (pass.music == ClockMusic::reopen) {
        reopen_music();
        if (music_plays()) {
            play_music(pass.music_ms);
            clock_follow(clock, reading.now);
        }
    }
    publish();
    timing_set_ms(pass.show_ms);
}

void frame_shown()
{
    swap_delay_note(ticks_now() - clock.last_pass);
}

void skip_forward()
{
    const std::int32_t music_ms = clock_skip(clock, ticks_now());
    publish();
    seek_music_to(music_ms);
}
