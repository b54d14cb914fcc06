// The two logos as a viewer sees them on the 1024 x 768 canvas (the test window is the canvas,
// one pixel per canvas unit). The marker logos are transparent but for a border band in four
// colours, so each side of the band shows where the picture's corners went.
#include "gl_window.h"
#include "scene_probe.h"

#include <gtest/gtest.h>

namespace {
// The turning logo: 256 x 256 about (512, 200), band 16 wide.
constexpr double kSpinX = 512;
constexpr double kSpinY = 200;
constexpr double kSpinHalf = 128;
constexpr double kSpinBandMiddle = 8;

// The pulsing logo: 512 x 512 at its own size about (512, 500), band 32 wide.
constexpr double kPulseX = 512;
constexpr double kPulseY = 500;
constexpr double kPulseHalf = 256;

bool is_logo(const Seen& seen)
{
    return seen.picture == kSpinningLogoPicture || seen.picture == kPulsingLogoPicture;
}

// The turning logo's band probed halfway along each half of its top and bottom sides: what
// the viewer sees there, from the window's top left round to its bottom right.
void expect_spinning_corners(Quadrant top_left_seen, Quadrant top_right_seen,
                             Quadrant bottom_left_seen, Quadrant bottom_right_seen)
{
    const double top = kSpinY - kSpinHalf + kSpinBandMiddle;
    const double bottom = kSpinY + kSpinHalf - kSpinBandMiddle;
    const double d = kSpinHalf / 2;
    EXPECT_EQ(seen_at(kSpinX - d, top), spinning_logo(top_left_seen));
    EXPECT_EQ(seen_at(kSpinX + d, top), spinning_logo(top_right_seen));
    EXPECT_EQ(seen_at(kSpinX - d, bottom), spinning_logo(bottom_left_seen));
    EXPECT_EQ(seen_at(kSpinX + d, bottom), spinning_logo(bottom_right_seen));
}

// The pulsing logo scaled by `scale`: upright, its band where that size puts it, and
// nothing of it just outside.
void expect_pulsing_at_scale(double scale)
{
    const double half = kPulseHalf * scale;
    const double band = 32 * scale;
    const double left = kPulseX - half;
    const double right = kPulseX + half;
    const double top = kPulseY - half;
    const double upper = kPulseY - half / 2;
    const double lower = kPulseY + half / 2;
    // Each side of the band, both halves of it.
    EXPECT_EQ(seen_at(left + band / 2, upper), pulsing_logo(top_left));
    EXPECT_EQ(seen_at(left + band / 2, lower), pulsing_logo(bottom_left));
    EXPECT_EQ(seen_at(right - band / 2, upper), pulsing_logo(top_right));
    EXPECT_EQ(seen_at(right - band / 2, lower), pulsing_logo(bottom_right));
    EXPECT_EQ(seen_at(kPulseX - half / 2, top + band / 2), pulsing_logo(top_left));
    EXPECT_EQ(seen_at(kPulseX + half / 2, top + band / 2), pulsing_logo(top_right));
    // Its edges, a few pixels in and out.
    EXPECT_EQ(seen_at(left + 3, upper), pulsing_logo(top_left));
    EXPECT_NE(seen_at(left - 4, upper).picture, kPulsingLogoPicture);
    EXPECT_EQ(seen_at(right - 4, lower), pulsing_logo(bottom_right));
    EXPECT_NE(seen_at(right + 3, lower).picture, kPulsingLogoPicture);
    EXPECT_EQ(seen_at(kPulseX - half / 2, top + 3), pulsing_logo(top_left));
    EXPECT_NE(seen_at(kPulseX - half / 2, top - 4).picture, kPulsingLogoPicture);
    // The band's inner edge: the band scales with the picture.
    EXPECT_NE(seen_at(left + band + 4, upper).picture, kPulsingLogoPicture);
}
}  // namespace

TEST(Logos, AppearAtBeat128)
{
    const ScreenPoint probes[] = {{kSpinX - 64, kSpinY - kSpinHalf + 8},
                                  {kSpinX + 64, kSpinY + kSpinHalf - 8},
                                  {kSpinX - kSpinHalf + 8, kSpinY - 40},
                                  {kPulseX - kPulseHalf + 16, kPulseY - 100},
                                  {kPulseX + 100, kPulseY - kPulseHalf + 16}};
    render_at_ms(42666);
    for (const ScreenPoint& p : probes) {
        EXPECT_FALSE(is_logo(seen_at(p.x, p.y))) << p.x << "," << p.y;
    }
    render_at_ms(42667);
    for (const ScreenPoint& p : probes) {
        EXPECT_TRUE(is_logo(seen_at(p.x, p.y))) << p.x << "," << p.y;
    }
}

TEST(Logos, StartUprightAtTheirOwnSizeWithThePulsingOneOnTop)
{
    // Beat 128 starts both an 8-beat and a 4-beat cycle: no turn, no swelling.
    render_at_ms(42667);
    expect_spinning_corners(top_left, top_right, bottom_left, bottom_right);
    expect_pulsing_at_scale(1.0);
    // The pulsing logo's top band crosses the turning logo's lower half, and covers it.
    EXPECT_EQ(seen_at(kSpinX - 64, kPulseY - kPulseHalf + 16), pulsing_logo(top_left));
    EXPECT_EQ(seen_at(kSpinX - kSpinHalf + 8, kPulseY - kPulseHalf + 16), pulsing_logo(top_left));
    // Where the pulsing logo is transparent the turning one shows through.
    EXPECT_EQ(seen_at(kSpinX - kSpinHalf + 8, kSpinY + 80), spinning_logo(bottom_left));
}

TEST(Logos, WorkedFrameAtFiftySeconds)
{
    // Beat 150: the turning logo has turned 270 degrees clockwise (a quarter turn back): its
    // right side is on top, its top side on the left. The pulsing logo is half way through
    // its 4-beat swell, at 768 x 768.
    render_at_ms(50000);
    expect_spinning_corners(top_right, bottom_right, top_left, bottom_left);
    expect_pulsing_at_scale(1.5);
}

TEST(Logos, PulsingLogoIsLargestMidwayThroughItsFourBeats)
{
    render_at_ms(43333);
    expect_pulsing_at_scale(1.5);
    render_at_ms(ms_at_beat(131));
    expect_pulsing_at_scale(1.0 + 0.5 * 0.5);  // a quarter of the way: the raised cosine at 1/2
}
