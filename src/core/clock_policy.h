#pragma once
// The show clock's decisions, as a pure function of what one loop pass reads: the tick count,
// what the music's output says about when it is heard, and how long a frame takes to appear.
// Nothing here reads a clock or touches a sound device, so every decision can be replayed in
// a test pass by pass; run the show through play/show_clock.h, which feeds it.
//
// Show time is the position of the music the listener hears, not of the music handed to the
// mixer: until the first sample is heard the show holds its first frame, and if the sound ever
// falls behind (a driver that ran dry, the queue after a skip) the picture waits for it rather
// than run ahead. Nor does it run past the music mixed so far once the mixer stands still (a
// suspended sink, a stopped process): the picture holds, and they move on together.
// The clock never runs backwards. Without music it runs from the ticks.
//
// While it follows the music, a pass draws ahead of the music heard at its clock reading by
// the time its frame takes to appear, so the picture is seen with its sound. The lead moves
// towards a new estimate a little each pass: the picture neither jumps nor stalls when the
// drawing gets slower or faster. Without music there is nothing to aim at.
//
// A mixer silent for longer than a stall goes on without it: the show runs from the ticks, and
// once sound comes back (the stall ends, or a sound server that went away is back and the
// device opens again) the music moves to the picture's moment and the clock follows it again.
//
//   clock_start(state, now, music_plays)  the music just started from show time 0
//   clock_pass(state, reading)            one loop pass: the moment to draw, and what the
//                                         music must do now
//   clock_follow(state, now)              the music reopened as asked, playing from the moment
//   clock_skip(state, now)                ten seconds on: where the music must go

#include <cstdint>

// Following: the clock is the music as heard. Silent: the clock runs from the ticks while the
// music cannot be heard. Without sound: never had any; the ticks alone.
enum class ClockSound { following, silent, none };

struct ClockState {
    ClockSound sound = ClockSound::none;
    bool waiting = false;         // the first frame, held until the music is heard
    std::int32_t started_at = 0;  // ticks when the music was started
    std::int32_t held_ms = 0;     // the moment shown while waiting: 0, or later after skips
    std::int32_t start = 0;       // the tick count at which show time 0 is heard
    std::int32_t lead_ms = 0;     // how far ahead of the music heard this pass draws
    std::int32_t shown_ms = 0;    // the moment the last pass drew
    std::int32_t last_pass = 0;   // ticks of the last pass
    // The mixer's progress as the passes saw it: the count of buffers mixed and when it last
    // changed. Standing still and silence are counted from then, or from the end of a pass
    // that came late (the show itself stood still).
    std::int64_t mixes_seen = 0;
    std::int32_t mixing_seen_at = 0;
    std::int64_t silent_mixes = 0;  // the count when the silence began
    std::int32_t last_reopen = 0;
};

// What one pass reads.
struct ClockReading {
    std::int32_t now;  // the tick count
    bool heard;        // music was mixed since the last start or seek, so its timing is known
    std::int32_t heard_start;    // the tick count at which the music's show time 0 is heard
    std::int32_t mixed_ms;       // the music mixed so far ends here, in show milliseconds
    std::int64_t mixes;          // buffers mixed since the device opened
    std::int32_t block_ms;       // how long the blocks the output takes at once last
    std::int32_t swap_delay_ms;  // the time a frame takes to appear, as estimated now
    bool device_lost;            // the sound device stopped for good
    bool music_plays;            // a device open and the track loaded
};

// What the music must do once the pass has read the clock: stay, move to `music_ms` (it is
// mixing again after a silence), or be reopened and, if that works, play from `music_ms`.
enum class ClockMusic { stay, seek, reopen };

struct ClockPass {
    std::int32_t show_ms;  // the moment this pass draws
    ClockMusic music;
    std::int32_t music_ms;
};

// A mixer that never mixes is not waited for longer than this: the show runs silent then.
constexpr std::int32_t kFirstMixTimeoutMs = 3000;
// A mixer that has mixed nothing for this long is taken for gone.
constexpr std::int32_t kSilentAfterMs = 2000;
// A loop pass that comes this long after the last, the show itself stood still (stopped, or
// starved of the processor): the mixer's silence is not counted for that time.
constexpr std::int32_t kLoopStandstillMs = 500;
// A mixer that has mixed nothing for this many of the output's blocks stands still: the
// picture waits at the end of the music mixed so far.
constexpr std::int32_t kStandingAfterBlocks = 2;
// How often a sound device that went away is asked for again.
constexpr std::int32_t kReopenEveryMs = 1000;
// How far the lead moves in one pass: a fraction of a frame, unseen.
constexpr std::int32_t kLeadStepMs = 2;

void clock_start(ClockState& state, std::int32_t now, bool music_plays);
ClockPass clock_pass(ClockState& state, const ClockReading& reading);
void clock_follow(ClockState& state, std::int32_t now);
std::int32_t clock_skip(ClockState& state, std::int32_t now);
