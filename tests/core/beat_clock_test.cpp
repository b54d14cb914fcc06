// The pure clock's precision late in the show, where a float no longer counts milliseconds times
// beats exactly. (Its values at the moments the scene depends on are what the scene's frame
// tests see; the skip and the probe are driven end to end by the show's own tests.)
#include "core/beat_clock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const double kAllCycles[] = {kPer32Beats, kPer8Beats, kPer4Beats, kPer2Beats};

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
