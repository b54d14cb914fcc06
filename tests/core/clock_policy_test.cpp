// The show clock's decisions pass by pass, with the music's output played by the test: the
// held first frame, the lead aimed at the swap, the cap at the music mixed, silence and its
// end, the skip, and a clock that never runs backwards. The sync tests prove the same at a real
// sound server's sink; these find a wrong decision in milliseconds.
#include "core/clock_policy.h"
#include "core/timeline.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int32_t kStart = 1000;  // the tick count when the music is started
constexpr std::int32_t kFrameMs = 16;
constexpr std::int32_t kBlockMs = 21;

// A show whose music output the test drives: each pass mixes a block unless told otherwise.
struct Show {
    ClockState state;
    ClockReading music{kStart, false, 0, 0, 0, kBlockMs, 0, false, true};

    explicit Show(bool music_plays = true)
    {
        music.music_plays = music_plays;
        clock_start(state, kStart, music_plays);
    }

    void heard_from(std::int32_t start_ticks)
    {
        music.heard = true;
        music.heard_start = start_ticks;
    }

    // One pass at `now`; the mixer moves on unless `mixing` is false.
    ClockPass pass(std::int32_t now, bool mixing = true)
    {
        music.now = now;
        if (mixing) {
            ++music.mixes;
            music.mixed_ms = now - music.heard_start + 100;
        }
        return clock_pass(state, music);
    }

    // Heard from the start, then `passes` passes a frame apart; returns the last pass's time.
    std::int32_t played_for(int passes)
    {
        heard_from(kStart);
        std::int32_t now = kStart;
        for (int k = 0; k < passes; ++k) {
            pass(now += kFrameMs);
        }
        return now;
    }
};

TEST(ClockPolicy, HoldsTheFirstFrameUntilTheMusicIsHeard)
{
    Show show;
    show.music.swap_delay_ms = 12;
    for (std::int32_t now = kStart; now < kStart + 500; now += kFrameMs) {
        const ClockPass held = show.pass(now);
        ASSERT_EQ(held.show_ms, 0) << "moved at " << now << " before any music was heard";
        EXPECT_EQ(held.music, ClockMusic::stay);
    }
    EXPECT_EQ(show.state.lead_ms, 12) << "the first moving frame must already aim at its swap";

    show.heard_from(kStart + 480);
    EXPECT_EQ(show.pass(kStart + 530).show_ms, 62) << "heard: 50 ms on, plus the lead";

    Show mute;
    EXPECT_EQ(mute.pass(kStart + kFirstMixTimeoutMs).show_ms, 0);
    EXPECT_EQ(mute.pass(kStart + kFirstMixTimeoutMs + 1).show_ms, 0);
    EXPECT_EQ(mute.pass(kStart + kFirstMixTimeoutMs + 41).show_ms, 40)
        << "a mixer that never mixes is waited for once, then the ticks run the show";
    EXPECT_EQ(mute.state.sound, ClockSound::none);

    Show silent(false);
    EXPECT_EQ(silent.pass(kStart + 250).show_ms, 250) << "without music the ticks run at once";
    EXPECT_EQ(silent.state.lead_ms, 0) << "without music there is no swap to aim at";
}

TEST(ClockPolicy, DrawsAheadByTheSwapEstimateMovingAFewMillisecondsAPass)
{
    Show show;
    show.heard_from(kStart + 100);
    show.music.swap_delay_ms = 20;
    show.pass(kStart + 100);
    std::int32_t now = kStart + 100;
    for (int k = 1; k <= 4; ++k) {
        now += kFrameMs;
        const ClockPass pass = show.pass(now);
        ASSERT_EQ(show.state.lead_ms, (k + 1) * kLeadStepMs) << "pass " << k;
        EXPECT_EQ(pass.show_ms, now - (kStart + 100) + show.state.lead_ms) << "pass " << k;
    }
    for (int k = 0; k < 5; ++k) {
        show.pass(now += kFrameMs);
    }
    now += kFrameMs;
    EXPECT_EQ(show.pass(now).show_ms, now - (kStart + 100) + 20)
        << "settled: the frame is drawn for the moment it is seen";

    show.music.swap_delay_ms = 8;  // the drawing got faster: the lead shrinks, the clock holds
    const std::int32_t before = show.state.shown_ms;
    EXPECT_EQ(show.pass(now + 1).show_ms, before) << "a smaller lead must not run backwards";
    EXPECT_EQ(show.state.lead_ms, 20 - kLeadStepMs);
}

TEST(ClockPolicy, WaitsAtTheMusicMixedWhileTheMixerStandsStill)
{
    Show show;
    std::int32_t now = show.played_for(20);
    const std::int32_t mixed = show.music.mixed_ms;
    const std::int32_t shown = show.state.shown_ms;
    // A suspended sink: nothing mixed for a second, yet not long enough to count as silence.
    for (std::int32_t t = now; t < now + 1000; t += kFrameMs) {
        const ClockPass pass = show.pass(t, false);
        ASSERT_LE(pass.show_ms, std::max(shown, mixed)) << "ran past the music mixed at " << t;
    }
    EXPECT_EQ(show.state.shown_ms, mixed);
    EXPECT_EQ(show.state.sound, ClockSound::following);
}

TEST(ClockPolicy, SkipsTenSecondsAndNeverRunsBackwards)
{
    Show show;
    std::int32_t now = show.played_for(10);
    const std::int32_t before = show.state.shown_ms;
    EXPECT_EQ(clock_skip(show.state, now), now - kStart + kSkipMs) << "the music's new place";
    show.music.heard = false;  // the seek starts the output's notes again
    const ClockPass after = show.pass(now + 1);
    EXPECT_EQ(after.show_ms, before + 1 + kSkipMs) << "the skip must move the clock forward";
    // The queue before the seek still plays: the skipped music is heard 40 ms later than the
    // skip put it, and the picture waits for it rather than step back.
    show.heard_from(kStart - kSkipMs + 40);
    std::int32_t last = after.show_ms;
    for (std::int32_t t = now + 2; t < now + 40; t += 4) {
        const std::int32_t shown = show.pass(t).show_ms;
        ASSERT_GE(shown, last) << "the clock ran backwards at " << t;
        last = shown;
    }

    Show waiting;
    EXPECT_EQ(clock_skip(waiting.state, kStart + 5), kSkipMs) << "skipped while held";
    EXPECT_EQ(waiting.pass(kStart + 10).show_ms, kSkipMs);
}

TEST(ClockPolicy, GoesOnSilentAndBringsTheMusicBackToThePicture)
{
    Show show;
    std::int32_t now = show.played_for(10);
    // The mixer falls silent for longer than any stall: the picture goes on from the ticks.
    // Passes come often enough that the show itself never stood still.
    const std::int32_t silent_from = now;
    ClockPass pass{};
    while (show.state.sound == ClockSound::following) {
        pass = show.pass(now += kFrameMs, false);
        ASSERT_LT(now - silent_from, kSilentAfterMs + 2 * kFrameMs) << "never went silent";
    }
    EXPECT_EQ(pass.music, ClockMusic::stay);
    const std::int32_t stood = show.state.shown_ms;
    EXPECT_EQ(show.pass(now + 100, false).show_ms, stood + 100) << "silent: the ticks drive";

    // It mixes again: the music goes where the picture is, and the clock follows it.
    pass = show.pass(now + 200);
    EXPECT_EQ(pass.music, ClockMusic::seek);
    EXPECT_EQ(pass.music_ms, stood + 100);
    EXPECT_EQ(show.state.sound, ClockSound::following);

    // A sound device that went away is asked for again once a second, not every pass.
    Show lost;
    lost.heard_from(kStart);
    lost.music.device_lost = true;
    lost.pass(kStart + 10);
    ASSERT_EQ(lost.state.sound, ClockSound::silent);
    int reopens = 0;
    for (std::int32_t t = kStart + 20; t <= kStart + 3010; t += 10) {
        reopens += lost.pass(t).music == ClockMusic::reopen ? 1 : 0;
    }
    EXPECT_EQ(reopens, 3);
    clock_follow(lost.state, kStart + 3020);
    EXPECT_EQ(lost.state.sound, ClockSound::following);
}

}  // namespace
