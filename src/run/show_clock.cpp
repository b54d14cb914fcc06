// Depends on SDL for the tick count, on the music module for playback and on the hearing
// measurement for when it is heard; the clock values themselves belong to the core.
//
// Show time is the position of the music the listener hears, not of the music handed to the
// mixer: until the first sample is heard the show holds its first frame, and if the sound ever
// falls behind (a driver that ran dry, the queue after a skip) the picture waits for it rather
// than run ahead. Nor does it run past the music mixed so far once the mixer stands still (a
// suspended sink, a stopped process): the picture holds, and they move on together.
// The clock never runs backwards. Without music it runs from the ticks.
//
// While it follows the music, a pass draws ahead of the music heard at its clock reading by
// the time its frame takes to appear (run/swap_delay.h), so the picture is seen with its
// sound. The lead moves towards a new estimate a little each pass: the picture neither jumps
// nor stalls when the drawing gets slower or faster. Without music there is nothing to aim at.
//
// A mixer silent for longer than a stall goes on without it: the show runs from the ticks, and
// once sound comes back (the stall ends, or a sound server that went away is back and the
// device opens again) the music moves to the picture's moment and the clock follows it again.
#include "run/show_clock.h"

#include "core/beat_clock.h"
#include "core/timeline.h"
#include "run/hearing.h"
#include "run/music.h"
#include "run/swap_delay.h"

#include <SDL.h>

#include <algorithm>  // std::clamp, std::max, std::min

std::int32_t timing_start = 0;
std::int32_t timing_lead_ms = 0;

namespace {
// A driver that never mixes is not waited for longer than this: the show runs silent then.
constexpr std::int32_t kFirstMixTimeoutMs = 3000;
// A mixer that has mixed nothing for this long is taken for gone.
constexpr std::int32_t kSilentAfterMs = 2000;
// A loop pass that comes this long after the last, the show itself stood still (stopped, or
// starved of the processor): the mixer's silence is not counted for that time.
constexpr std::int32_t kLoopStandstillMs = 500;
// A mixer that has mixed nothing for this many of the server's blocks stands still: the picture
// waits at the end of the music mixed so far.
constexpr std::int32_t kStandingAfterBlocks = 2;
// How often a sound device that went away is asked for again.
constexpr std::int32_t kReopenEveryMs = 1000;
// How far the lead moves in one pass: a fraction of a frame, unseen.
constexpr std::int32_t kLeadStepMs = 2;

// Following: the clock is the music as heard. Silent: the clock runs from the ticks while the
// music cannot be heard. Without sound: never had any; the ticks alone.
enum class Sound { following, silent, none };

Sound sound = Sound::none;
bool waiting_for_music = false;  // the first frame, held until the music is heard
std::int32_t music_started_at = 0;
std::int32_t held_ms = 0;  // the moment shown while waiting: 0, or later after skips
std::int32_t last_pass_ticks = 0;
// The mixer's progress as this thread saw it: the count of buffers mixed and when it last
// changed, in this thread's ticks. Standing still and silence are counted from then, or from
// the end of a pass that came late (the show itself stood still).
std::int64_t mixes_seen = 0;
std::int32_t mixing_seen_at = 0;
std::int64_t silent_mixes = 0;  // the count when the silence began
std::int32_t last_reopen_ticks = 0;

std::int32_t ticks_now()
{
    return static_cast<std::int32_t>(SDL_GetTicks());
}

// The lead a following clock draws with this pass: towards the estimate, a step at a time.
void aim_at_the_swap()
{
    if (sound != Sound::following) {
        timing_lead_ms = 0;
        return;
    }
    timing_lead_ms =
        std::clamp(swap_delay_ms(), timing_lead_ms - kLeadStepMs, timing_lead_ms + kLeadStepMs);
}

// Puts the music where the picture is and follows it again, once it is heard.
void follow_music_from(std::int32_t now, bool reopened)
{
    if (reopened) {
        play_music(timing_ms);
    } else {
        seek_music_to(timing_ms);
    }
    sound = Sound::following;
    mixing_seen_at = now;
}

// While silent: the mixer mixing again (a stall over), or a lost device back.
void recover_sound(std::int32_t now, const HeardMusic& heard)
{
    if (heard.mixes != silent_mixes && !music_device_lost()) {
        follow_music_from(now, false);
        return;
    }
    if ((music_device_lost() || !music_plays()) && now - last_reopen_ticks >= kReopenEveryMs) {
        last_reopen_ticks = now;
        reopen_music();
        if (music_plays()) {
            follow_music_from(now, true);
        }
    }
}
}  // namespace

void start_show_clock()
{
    play_music(0);
    music_started_at = ticks_now();
    timing_start = music_started_at;
    waiting_for_music = music_plays();
    sound = music_plays() ? Sound::following : Sound::none;
    held_ms = 0;
    last_pass_ticks = mixing_seen_at = music_started_at;
    timing_set_ms(0);
}

void tick_show_clock()
{
    const std::int32_t now = ticks_now();
    const HeardMusic heard = music_heard();
    if (heard.mixes != mixes_seen || now - last_pass_ticks > kLoopStandstillMs) {
        mixes_seen = heard.mixes;
        mixing_seen_at = now;
    }
    last_pass_ticks = now;
    if (sound == Sound::following && heard.heard) {
        timing_start = heard.start_ticks;
        waiting_for_music = false;
    }
    if (waiting_for_music) {
        if (now - music_started_at <= kFirstMixTimeoutMs) {
            // The held picture moves nothing: the first moving frame takes the passes so far.
            timing_lead_ms = swap_delay_ms();
            timing_set_ms(held_ms);
            return;
        }
        timing_start = now - held_ms;
        waiting_for_music = false;
        sound = Sound::none;
    }
    aim_at_the_swap();
    std::int32_t ms = now + timing_lead_ms - timing_start;
    if (sound == Sound::following && heard.heard &&
        now - mixing_seen_at > kStandingAfterBlocks * heard.block_ms) {
        ms = std::min(ms, heard.mixed_ms);
    }
    if (sound == Sound::following &&
        (music_device_lost() || now - mixing_seen_at > kSilentAfterMs)) {
        sound = Sound::silent;
        silent_mixes = heard.mixes;
        timing_lead_ms = 0;
        timing_start = now - timing_ms;  // on from the moment shown
        ms = timing_ms;
    } else if (sound == Sound::silent) {
        recover_sound(now, heard);
    }
    timing_set_ms(std::max(ms, timing_ms));
}

void frame_shown()
{
    swap_delay_note(ticks_now() - last_pass_ticks);
}

void skip_forward()
{
    timing_start -= kSkipMs;
    held_ms += kSkipMs;
    seek_music_to(waiting_for_music ? held_ms : ticks_now() - timing_start);
}
