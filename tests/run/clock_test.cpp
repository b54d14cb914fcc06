// The show clock: beats, phases and waves at the moments the scene depends on, the precision
// late in the show, the skip and the timing probe's text.
#include "core/beat_clock.h"
#include "run/probe.h"
#include "run/show_clock.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

void set_clock(std::int32_t ms)
{
    timing_set_ms(ms);
}

const double kAllCycles[] = {kPer32Beats, kPer8Beats, kPer4Beats, kPer2Beats};

TEST(Clock, EverythingIsZeroAtTheStart)
{
    set_clock(0);
    EXPECT_EQ(timing_beats, 0.0f);
    EXPECT_EQ(timing_frac, 0.0f);
    for (double k : kAllCycles) {
        EXPECT_EQ(beat_phase(k), 0.0f) << "cycles per beat " << k;
        EXPECT_EQ(beat_wave(k), 0.0f) << "cycles per beat " << k;
    }
}

TEST(Clock, FortyEightBeatsIsTheMiddleOfAThirtyTwoBeatCycle)
{
    set_clock(16000);
    EXPECT_EQ(timing_beats, 48.0f);
    EXPECT_EQ(timing_frac, 0.0f);
    EXPECT_EQ(beat_phase(kPer8Beats), 0.0f);
    EXPECT_EQ(beat_phase(kPer32Beats), 0.5f);
    EXPECT_EQ(beat_wave(kPer32Beats), 1.0f);
}

TEST(Clock, OneBeatIsAThirdOfASecond)
{
    set_clock(333);
    EXPECT_FLOAT_EQ(timing_beats, 0.999f);
    set_clock(334);
    EXPECT_EQ(std::floor(timing_beats), 1.0f);
    EXPECT_NEAR(timing_frac, 0.002f, 1e-5f);
    set_clock(50000);  // the worked frame: 150 beats, a two-beat cycle just starting
    EXPECT_EQ(timing_beats, 150.0f);
    EXPECT_EQ(beat_phase(kPer2Beats), 0.0f);
    EXPECT_FLOAT_EQ(beat_phase(kPer32Beats), 0.6875f);
    EXPECT_FLOAT_EQ(beat_phase(kPer8Beats), 0.75f);
    EXPECT_EQ(beat_phase(kPer4Beats), 0.5f);
    EXPECT_EQ(beat_wave(kPer4Beats), 1.0f);
}

TEST(Clock, PhasesStayExactLateInTheShow)
{
    // 179 999 ms is 539.997 beats: the phases must still be right to a few millionths where
    // ms * bpm (about 3.24e7) is past what a float counts exactly.
    set_clock(179999);
    EXPECT_FLOAT_EQ(timing_beats, 539.997f);
    EXPECT_NEAR(timing_frac, 0.997f, 1e-4f);
    EXPECT_NEAR(beat_phase(kPer2Beats), 0.9985f, 1e-5f);
    EXPECT_NEAR(beat_phase(kPer32Beats), 539.997 / 32 - 16, 1e-5);
    // Every phase stays below 1 even where the cycle is about to wrap.
    for (std::int32_t ms = 179990; ms <= 180010; ++ms) {
        set_clock(ms);
        for (double k : kAllCycles) {
            const float phase = beat_phase(k);
            EXPECT_GE(phase, 0.0f);
            EXPECT_LT(phase, 1.0f);
        }
        EXPECT_LT(timing_frac, 1.0f);
    }
}

TEST(Clock, WaveIsARaisedCosine)
{
    set_clock(2000);  // six beats: three quarters of an 8-beat cycle
    EXPECT_NEAR(beat_wave(kPer8Beats), 0.5f, 1e-6f);
    set_clock(4000);  // twelve beats: 3/8 of a 32-beat cycle
    EXPECT_NEAR(beat_wave(kPer32Beats), 0.5 + 0.5 * std::sqrt(0.5), 1e-6f);
    set_clock(5333);  // just before the middle: nearly full size
    EXPECT_GT(beat_wave(kPer32Beats), 0.999f);
    set_clock(10666);  // just before the end of the cycle: nearly gone
    EXPECT_LT(beat_wave(kPer32Beats), 1e-3f);
}

class ClockWithTicks : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError();
    }
    void TearDown() override
    {
        SDL_Quit();
    }
};

TEST_F(ClockWithTicks, StartsAtZeroFromTheCurrentTick)
{
    SDL_Delay(20);
    start_show_clock();  // no audio device: the music simply does not play
    EXPECT_EQ(timing_bpm, 180.0f);
    EXPECT_EQ(timing_ms, 0);
    tick_show_clock();
    EXPECT_GE(timing_ms, 0);
    EXPECT_LT(timing_ms, 1000);
}

TEST_F(ClockWithTicks, TwoSkipsInOnePassMoveTwentySecondsEvenWithoutMusic)
{
    start_show_clock();
    tick_show_clock();
    const std::int32_t before = timing_ms;
    skip_forward();
    skip_forward();
    EXPECT_EQ(timing_ms, before) << "a skip is seen from the next pass on";
    tick_show_clock();
    EXPECT_GE(timing_ms, before + 20000);
    EXPECT_LT(timing_ms, before + 21000);
}

TEST(Probe, WritesAConditionOnTheBeatCount)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    FILE* capture = open_memstream(&buffer, &size);
    ASSERT_NE(capture, nullptr);
    FILE* saved = stdout;
    stdout = capture;
    set_clock(50000);
    probe_open();
    set_clock(50500);
    probe_close();
    probe_close();  // any other key released closes a line of its own
    stdout = saved;
    std::fclose(capture);
    EXPECT_EQ(std::string(buffer, size),
              "|| timing_beats > 150.000000 && timing_beats <= 151.500000\n151.500000\n");
    std::free(buffer);
}

}  // namespace
