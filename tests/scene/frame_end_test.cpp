// The next frame's flash draws with whatever colour, matrices and depth test this frame left,
// so a layer that forgets to restore something shows up as a wrong background a frame later.
#include "gl_window.h"
#include "scene_probe.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

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
