// Frame order and the state each layer starts from. Reads the screen size and the clock;
// keeps nothing between frames.
#include "scene/frame.h"

#include "core/beat_clock.h"
#include "core/screen.h"
#include "scene/overlay.h"
#include "scene/photo_cube.h"
#include "scene/tunnel.h"

#include <GL/glu.h>
#include <SDL_opengl.h>

#include <cmath>  // std::exp, std::floor

namespace {
constexpr double kFieldOfViewDegrees = 45.0;
constexpr double kNearPlane = 0.1f;  // the float 0.1, widened
constexpr double kFarPlane = 1000.0;
constexpr double kCanvasDepth = 4000.0;
constexpr float kFlashPeak = 0.5f;
constexpr float kFlashDecay = 8.0f;  // per two-beat cycle
}  // namespace

void set_fixed_gl_state()
{
    glEnable(GL_COLOR_MATERIAL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void setup_canvas()
{
    if (W <= 0 || H <= 0) {
        return;
    }
    glViewport(0, 0, W, H);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kCanvasWidth, kCanvasHeight, 0, -kCanvasDepth, kCanvasDepth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void draw_rect(float x, float y, float w, float h)
{
    glPushMatrix();
    glTranslatef(x, y, 0);
    glScalef(w * 0.5f, h * 0.5f, 1);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(-1, 1);
    glVertex2f(1, 1);
    glVertex2f(1, -1);
    glEnd();
    glPopMatrix();
}

void draw_flash()
{
    glBindTexture(GL_TEXTURE_2D, 0);
    const float grey = kFlashPeak * std::exp(-kFlashDecay * beat_phase(kPer2Beats));
    glColor3f(grey, grey, grey);
    // The rectangle takes the window's size in canvas units, so on a window at least as large
    // as the canvas it covers every pixel, opaque; a clear then writes the same bytes (on
    // llvmpipe, for every grey the show makes) without shading a screenful of fragments.
    if (W >= kCanvasWidth && H >= kCanvasHeight) {
        glClearColor(grey, grey, grey, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        return;
    }
    draw_rect(static_cast<float>(W / 2), static_cast<float>(H / 2), static_cast<float>(W),
              static_cast<float>(H));
}

void render_frame()
{
    glClear(GL_COLOR_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    const int beat = static_cast<int>(std::floor(timing_beats));
    glDisable(GL_LIGHTING);
    draw_flash();

    glColor3f(1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    // The cube and the tunnel show only photos, JPEG pictures with no transparency: blended,
    // they would land on the frame unchanged, so the rasteriser is spared reading it back.
    glDisable(GL_BLEND);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();  // the canvas projection, restored for the overlay
    glLoadIdentity();
    gluPerspective(kFieldOfViewDegrees, screen_shown_aspect(), kNearPlane, kFarPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    draw_photo_cube(beat);
    draw_tunnel();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glColor3f(1, 1, 1);
    draw_logos();
}
