// The drawing time the clock aims each frame with: a pass that stalls once must not move the
// picture, a lasting change must, and a clock a test moves counts as a stall.
#include "play/swap_delay.h"

#include <gtest/gtest.h>

TEST(SwapDelay, FollowsLastingChangesNotSinglePasses)
{
    EXPECT_EQ(swap_delay_ms(), 0) << "a lead before any pass was measured";
    swap_delay_note(14);
    EXPECT_EQ(swap_delay_ms(), 14) << "the first frames must use what is known so far";
    for (int pass = 0; pass < kSwapDelayPasses; ++pass) {
        swap_delay_note(pass % 3 == 0 ? 12 : 10);
    }
    EXPECT_EQ(swap_delay_ms(), 10);
    swap_delay_note(90);
    swap_delay_note(1000000);  // the clock moved by a test between the read and the swap
    EXPECT_EQ(swap_delay_ms(), 10) << "two slow passes moved the estimate";
    for (int pass = 0; pass < kSwapDelayPasses / 2; ++pass) {
        swap_delay_note(30);
    }
    EXPECT_EQ(swap_delay_ms(), 30) << "half a second of slower drawing did not move it";
}
