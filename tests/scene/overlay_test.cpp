// The two logos on the 1024 x 768 canvas (one window pixel per canvas unit). The marker logos
// are transparent but for a border band in four colours, so the band shows where the
// picture's corners went.
#include "gl_window.h"
#include "scene_probe.h"

#include <gtest/gtest.h>

namespace {
// The turning logo: 256 x 256 about (512, 200), band 16 wide; the pulsing one 512 x 512 at
// its own size about (512, 500), band 32 wide.
constexpr double kSpinY = 200;
constexpr double kPulseY = 500;

Seen spinning(Quadrant q)
{
    return Seen{kSpinningLogoPicture, q};
}
Seen pulsing(Quadrant q)
{
    return Seen{kPulsingLogoPicture, q};
}

// What the turning logo's top and bottom bands show, halfway along each half, from the
// window's top left round to its bottom right.
void expect_spinning(Quadrant tl, Quadrant tr, Quadrant bl, Quadrant br)
{
    EXPECT_EQ(seen_at(448, kSpinY - 120), spinning(tl));
    EXPECT_EQ(seen_at(576, kSpinY - 120), spinning(tr));
    EXPECT_EQ(seen_at(448, kSpinY + 120), spinning(bl));
    EXPECT_EQ(seen_at(576, kSpinY + 120), spinning(br));
}

// The pulsing logo scaled by `scale`: upright, its edges where that size puts them.
void expect_pulsing(double scale)
{
    const double half = 256 * scale;
    EXPECT_EQ(seen_at(512 - half + 3, kPulseY - half / 2), pulsing(top_left));
    EXPECT_NE(seen_at(512 - half - 4, kPulseY - half / 2).picture, kPulsingLogoPicture);
    EXPECT_EQ(seen_at(512 + half - 4, kPulseY + half / 2), pulsing(bottom_right));
    EXPECT_EQ(seen_at(512 + half / 2, kPulseY - half + 3), pulsing(top_right));
    EXPECT_NE(seen_at(512 + half / 2, kPulseY - half - 4).picture, kPulsingLogoPicture);
}
}  // namespace

TEST(Logos, AppearAtBeat128)
{
    const ScreenPoint probes[] = {{448, kSpinY - 120}, {392, kSpinY - 40}, {612, 260}};
    for (const int ms : {42666, 42667}) {
        render_at_ms(ms);
        for (const ScreenPoint& p : probes) {
            const int seen = seen_at(p.x, p.y).picture;
            EXPECT_EQ(seen == kSpinningLogoPicture || seen == kPulsingLogoPicture, ms == 42667)
                << ms << " ms at " << p.x << "," << p.y;
        }
    }
}

TEST(Logos, StartUprightAtTheirOwnSizeWithThePulsingOneOnTop)
{
    // Beat 128 starts both the 8-beat turn and the 4-beat swell.
    render_at_ms(42667);
    expect_spinning(top_left, top_right, bottom_left, bottom_right);
    expect_pulsing(1.0);
    // The pulsing logo's top band crosses the turning logo and covers it; where the pulsing
    // one is transparent the turning one shows through.
    EXPECT_EQ(seen_at(392, kPulseY - 240), pulsing(top_left));
    EXPECT_EQ(seen_at(392, kSpinY + 80), spinning(bottom_left));
}

TEST(Logos, WorkedFrameAtFiftySecondsAndLargestMidSwell)
{
    // At 50 s the turning logo has turned 270 degrees clockwise: its right side on top, its
    // top side on the left; the pulsing one is at 768 x 768, as at 43 333 ms.
    render_at_ms(50000);
    expect_spinning(top_right, bottom_right, top_left, bottom_left);
    expect_pulsing(1.5);
    render_at_ms(43333);
    expect_pulsing(1.5);
}
