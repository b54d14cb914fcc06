// The pure clock: beats, phases and waves at the moments the scene depends on, and the
// precision late in the show. (The skip and the probe are driven end to end by the show's
// own tests.) The tempo is never set here: the clock starts at the show's own.
#include "core/beat_clock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const double kAllCycles[] = {kPer32Beats, kPer8Beats, kPer4Beats, kPer2Beats};

TEST(Clock, BeatsPhasesAndWavesAtTheMomentsTheSceneDependsOn)
{
    const struct {
        std::int32_t ms;
        float beats, frac;
        float phase32, phase8, phase4, phase2, wave32, wave8, wave4;
    } moments[] = {
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {333, 0.999f, 0.999f, 0.999f / 32, 0.999f / 8, 0.999f / 4, 0.4995f, 0.0096f, 0.1462f,
         0.4992f},
        {2000, 6, 0, 6.0f / 32, 0.75f, 0.5f, 0, 0.3087f, 0.5f, 1},
        {16000, 48, 0, 0.5f, 0, 0, 0, 1, 0, 0},  // the middle of a 32-beat cycle
        {50000, 150, 0, 0.6875f, 0.75f, 0.5f, 0, 0.6913f, 0.5f, 1},  // the worked frame
    };
    for (const auto& m : moments) {
        SCOPED_TRACE(testing::Message() << m.ms << " ms");
        timing_set_ms(m.ms);
        EXPECT_FLOAT_EQ(timing_beats, m.beats);
        EXPECT_NEAR(timing_frac, m.frac, 1e-5f);
        EXPECT_NEAR(beat_phase(kPer32Beats), m.phase32, 1e-6f);
        EXPECT_NEAR(beat_phase(kPer8Beats), m.phase8, 1e-6f);
        EXPECT_NEAR(beat_phase(kPer4Beats), m.phase4, 1e-6f);
        EXPECT_NEAR(beat_phase(kPer2Beats), m.phase2, 1e-6f);
        EXPECT_NEAR(beat_wave(kPer32Beats), m.wave32, 1e-3f);
        EXPECT_NEAR(beat_wave(kPer8Beats), m.wave8, 1e-3f);
        EXPECT_NEAR(beat_wave(kPer4Beats), m.wave4, 1e-3f);
    }
}

TEST(Clock, PhasesStayExactLateInTheShow)
{
    // 179 999 ms is 539.997 beats: the phases must still be right to a few millionths where
    // ms * bpm (about 3.24e7) is past what a float counts exactly.
    timing_set_ms(179999);
    EXPECT_FLOAT_EQ(timing_beats, 539.997f);
    EXPECT_NEAR(beat_phase(kPer2Beats), 0.9985f, 1e-5f);
    EXPECT_NEAR(beat_phase(kPer32Beats), 539.997 / 32 - 16, 1e-5);
    // Every phase stays below 1 even where the cycle is about to wrap.
    for (std::int32_t ms = 179990; ms <= 180010; ++ms) {
        timing_set_ms(ms);
        for (double k : kAllCycles) {
            EXPECT_GE(beat_phase(k), 0.0f);
            EXPECT_LT(beat_phase(k), 1.0f);
        }
        EXPECT_LT(timing_frac, 1.0f);
    }
}

}  // namespace
