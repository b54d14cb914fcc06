// The beat flash through the real frame and framebuffer, the state each frame leaves for the
// next one's flash, and the canvas's guard against an empty window. Near the centre of the
// screen the eye looks down the tunnel past its far end (a hole about 11 pixels across), so
// there the flash is what a viewer sees whenever the cube in front of it is smaller than that:
// in the first and last beat of each 32-beat cycle.
#include "core/screen.h"
#include "gl_window.h"
#include "scene/frame.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <array>

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

// The next frame's flash draws with whatever colour, matrices and depth test this frame left,
// so a layer that forgets to restore something shows up as a wrong background a frame later.
TEST(FrameEnd, LeavesTheStateTheNextFlashDrawsWith)
{
    // The canvas: x 0..1024 across, y 0..768 downwards, depth -4000..4000.
    const GLfloat canvas[16] = {2.0f / 1024, 0,  0, 0, 0, -2.0f / 768, 0, 0, 0, 0, -2.0f / 8000,
                                0,           -1, 1, 0, 1};
    for (const int ms : {0, 5333, 42667, 50000, 179999}) {
        SCOPED_TRACE(testing::Message() << ms << " ms");
        render_at_ms(ms);
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
        GLfloat colour[4], modelview[16], projection[16];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_TRUE(colour[0] == 1 && colour[1] == 1 && colour[2] == 1 && colour[3] == 1);
        GLint mode = 0, modelview_depth = 0, projection_depth = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelview_depth);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projection_depth);
        EXPECT_TRUE(mode == GL_MODELVIEW && modelview_depth == 1 && projection_depth == 1)
            << "matrix mode " << mode << ", stack depths " << modelview_depth << " and "
            << projection_depth;
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f) << "modelview " << i;
            EXPECT_NEAR(projection[i], canvas[i], 1e-6) << "projection " << i;
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST(Canvas, AnEmptyWindowLeavesTheViewportAlone)
{
    std::array<GLint, 4> before{}, after{};
    glGetIntegerv(GL_VIEWPORT, before.data());
    const std::int32_t saved_height = H;
    H = 0;
    setup_canvas();
    glGetIntegerv(GL_VIEWPORT, after.data());
    H = saved_height;
    EXPECT_EQ(after, before);
}
