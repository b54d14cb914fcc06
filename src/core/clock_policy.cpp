#include "core/clock_policy.h"

#include "core/timeline.h"

#include <algorithm>  // std::clamp, std::max, std::min

namespace {
// The lead a following clock draws with this pass: towards the estimate, a step at a time.
void aim_at_the_swap(ClockState& state, std::int32_t swap_delay_ms)
{
    if (state.sound != ClockSound::following) {
        state.lead_ms = 0;
        return;
    }
    state.lead_ms =
        std::clamp(swap_delay_ms, state.lead_ms - kLeadStepMs, state.lead_ms + kLeadStepMs);
}

// While silent: the mixer mixing again (a stall over) moves the music to the picture; a lost
// device is asked for again now and then.
ClockMusic recover_sound(ClockState& state, const ClockReading& reading)
{
    if (reading.mixes != state.silent_mixes && !reading.device_lost) {
        clock_follow(state, reading.now);
        return ClockMusic::seek;
    }
    if ((reading.device_lost || !reading.music_plays) &&
        reading.now - state.last_reopen >= kReopenEveryMs) {
        state.last_reopen = reading.now;
        return ClockMusic::reopen;
    }
    return ClockMusic::stay;
}
}  // namespace

void clock_start(ClockState& state, std::int32_t now, bool music_plays)
{
    state.started_at = now;
    state.start = now;
    state.waiting = music_plays;
    state.sound = music_plays ? ClockSound::following : ClockSound::none;
    state.held_ms = 0;
    state.last_pass = state.mixing_seen_at = now;
    state.shown_ms = 0;
}

ClockPass clock_pass(ClockState& state, const ClockReading& reading)
{
    const std::int32_t now = reading.now;
    if (reading.mixes != state.mixes_seen || now - state.last_pass > kLoopStandstillMs) {
        state.mixes_seen = reading.mixes;
        state.mixing_seen_at = now;
    }
    state.last_pass = now;
    if (state.sound == ClockSound::following && reading.heard) {
        state.start = reading.heard_start;
        state.waiting = false;
    }
    if (state.waiting) {
        if (now - state.started_at <= kFirstMixTimeoutMs) {
            // The held picture moves nothing: the first moving frame takes the passes so far.
            state.lead_ms = reading.swap_delay_ms;
            state.shown_ms = state.held_ms;
            return ClockPass{state.held_ms, ClockMusic::stay, 0};
        }
        state.start = now - state.held_ms;
        state.waiting = false;
        state.sound = ClockSound::none;
    }
    aim_at_the_swap(state, reading.swap_delay_ms);
    std::int32_t ms = now + state.lead_ms - state.start;
    if (state.sound == ClockSound::following && reading.heard &&
        now - state.mixing_seen_at > kStandingAfterBlocks * reading.block_ms) {
        ms = std::min(ms, reading.mixed_ms);
    }
    ClockPass pass{0, ClockMusic::stay, state.shown_ms};
    if (state.sound == ClockSound::following &&
        (reading.device_lost || now - state.mixing_seen_at > kSilentAfterMs)) {
        state.sound = ClockSound::silent;
        state.silent_mixes = reading.mixes;
        state.lead_ms = 0;
        state.start = now - state.shown_ms;  // on from the moment shown
        ms = state.shown_ms;
    } else if (state.sound == ClockSound::silent) {
        pass.music = recover_sound(state, reading);
    }
    state.shown_ms = std::max(ms, state.shown_ms);
    pass.show_ms = state.shown_ms;
    return pass;
}

void clock_follow(ClockState& state, std::int32_t now)
{
    state.sound = ClockSound::following;
    state.mixing_seen_at = now;
}

std::int32_t clock_skip(ClockState& state, std::int32_t now)
{
    state.start -= kSkipMs;
    state.held_ms += kSkipMs;
    return state.waiting ? state.held_ms : now - state.start;
}
