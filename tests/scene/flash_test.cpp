// The beat flash through the real frame and framebuffer. Near the centre of the screen the eye
// looks down the tunnel past its far end (a hole about 11 pixels across), so there the flash is
// what a viewer sees whenever the cube in front of it is smaller than that: in the first and
// last beat of each 32-beat cycle.
#include "gl_window.h"
#include "scene/frame.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

namespace {
constexpr int kCentreX = 512;
constexpr int kCentreY = 384;
// Inside the tunnel's far end but clear of the cube while it is at most 2 pixels across.
constexpr int kFarEndX = kCentreX + 4;

int grey_at_centre_after(std::int32_t ms)
{
    render_at_ms(ms);
    const Rgb pixel = pixel_at(kFarEndX, kCentreY);
    EXPECT_EQ(pixel.r, pixel.g);
    EXPECT_EQ(pixel.g, pixel.b);
    return pixel.r;
}
}  // namespace

TEST(Flash, DecaysOverEachTwoBeatCycle)
{
    const int at_start = grey_at_centre_after(0);
    EXPECT_TRUE(at_start == 127 || at_start == 128) << at_start;
    EXPECT_EQ(grey_at_centre_after(100), 38);  // 0.5 e^-1.2 of full white
    EXPECT_NEAR(grey_at_centre_after(333), 2, 1);
    const int next_cycle = grey_at_centre_after(10667);  // beat 32, a cycle start: full again
    EXPECT_TRUE(next_cycle == 127 || next_cycle == 128) << next_cycle;
    EXPECT_NEAR(grey_at_centre_after(170666), 0, 1);  // just before a flash, late in the show
}
