// What one frame leaves behind for the next: the next frame's flash draws on the canvas with
// whatever colour, matrices and depth test the previous frame left, so a layer that forgets to
// restore something shows up as a wrong background one frame later.
#include "gl_window.h"
#include "scene_probe.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

namespace {
// The canvas: x 0..1024 to the window's width, y 0..768 downwards, depth -4000..4000.
void expect_canvas_projection()
{
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    const GLfloat canvas[16] = {2.0f / 1024, 0,  0, 0, 0, -2.0f / 768, 0, 0, 0, 0, -2.0f / 8000,
                                0,           -1, 1, 0, 1};
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(m[i], canvas[i], 1e-6) << "element " << i;
    }
}
}  // namespace

TEST(FrameEnd, LeavesTheStateTheNextFlashDrawsWith)
{
    for (const int ms : {0, 5333, 42667, 50000, 179999}) {
        SCOPED_TRACE(testing::Message() << ms << " ms");
        render_at_ms(ms);
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));

        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        for (const GLfloat channel : colour) {
            EXPECT_EQ(channel, 1.0f);
        }

        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 1);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 1);
        GLfloat modelview[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f) << "element " << i;
        }
        expect_canvas_projection();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}
