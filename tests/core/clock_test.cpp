// The pure clock: beats, phases and waves at the moments the scene depends on, and the
// precision late in the show. (The skip and the probe are driven end to end by the show's
// own tests.)
#include "core/beat_clock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const double kAllCycles[] = {kPer32Beats, kPer8Beats, kPer4Beats, kPer2Beats};

TEST(Clock, EverythingIsZeroAtTheStart)
{
    timing_set_ms(0);
    EXPECT_EQ(timing_beats, 0.0f);
    EXPECT_EQ(timing_frac, 0.0f);
    for (double k : kAllCycles) {
        EXPECT_EQ(beat_phase(k), 0.0f) << "cycles per beat " << k;
        EXPECT_EQ(beat_wave(k), 0.0f) << "cycles per beat " << k;
    }
}

TEST(Clock, FortyEightBeatsIsTheMiddleOfAThirtyTwoBeatCycle)
{
    timing_set_ms(16000);
    EXPECT_EQ(timing_beats, 48.0f);
    EXPECT_EQ(timing_frac, 0.0f);
    EXPECT_EQ(beat_phase(kPer8Beats), 0.0f);
    EXPECT_EQ(beat_phase(kPer32Beats), 0.5f);
    EXPECT_EQ(beat_wave(kPer32Beats), 1.0f);
}

TEST(Clock, OneBeatIsAThirdOfASecond)
{
    timing_set_ms(333);
    EXPECT_FLOAT_EQ(timing_beats, 0.999f);
    timing_set_ms(334);
    EXPECT_EQ(std::floor(timing_beats), 1.0f);
    EXPECT_NEAR(timing_frac, 0.002f, 1e-5f);
    timing_set_ms(50000);  // the worked frame: 150 beats, a two-beat cycle just starting
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
    timing_set_ms(179999);
    EXPECT_FLOAT_EQ(timing_beats, 539.997f);
    EXPECT_NEAR(timing_frac, 0.997f, 1e-4f);
    EXPECT_NEAR(beat_phase(kPer2Beats), 0.9985f, 1e-5f);
    EXPECT_NEAR(beat_phase(kPer32Beats), 539.997 / 32 - 16, 1e-5);
    // Every phase stays below 1 even where the cycle is about to wrap.
    for (std::int32_t ms = 179990; ms <= 180010; ++ms) {
        timing_set_ms(ms);
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
    timing_set_ms(2000);  // six beats: three quarters of an 8-beat cycle
    EXPECT_NEAR(beat_wave(kPer8Beats), 0.5f, 1e-6f);
    timing_set_ms(4000);  // twelve beats: 3/8 of a 32-beat cycle
    EXPECT_NEAR(beat_wave(kPer32Beats), 0.5 + 0.5 * std::sqrt(0.5), 1e-6f);
    timing_set_ms(5333);  // just before the middle: nearly full size
    EXPECT_GT(beat_wave(kPer32Beats), 0.999f);
    timing_set_ms(10666);  // just before the end of the cycle: nearly gone
    EXPECT_LT(beat_wave(kPer32Beats), 1e-3f);
}

}  // namespace
