// The logos over the 3D layer, on the y-down canvas. Reads the clock and the two logo records;
// keeps nothing between frames.
#include "scene/overlay.h"

#include "core/beat_clock.h"
#include "core/screen.h"
#include "core/timeline.h"

#include <SDL_opengl.h>

namespace {
constexpr double kLogoStartBeat = kDropBeat;  // the logos appear with the drop and stay
constexpr float kCanvasCentreX = kCanvasWidth / 2;
constexpr float kSpinningLogoY = 200.0f;
constexpr float kPulsingLogoY = 500.0f;
constexpr float kDegreesPerTurn = 360.0f;
constexpr float kPulseGrowth = 0.5f;  // at the pulse's height the logo is 1.5 times its size
}  // namespace

void draw_sprite(const TextureRecord& record, float x, float y, float w, float h)
{
    glPushMatrix();
    glTranslatef(x, y, 0);
    glScalef(w * 0.5f, h * 0.5f, 1);
    glBindTexture(GL_TEXTURE_2D, bank_texture(record.index));
    // Texture row 0 is the picture's top and canvas y grows downwards: upright, unmirrored.
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopMatrix();
}

void draw_logos()
{
    // Computed as a float in milliseconds, the way the frame's timing_ms is compared with it:
    // 42 666.668 at 180 BPM, so 42 666 ms is still before the logos and 42 667 ms is not.
    const float start_ms = static_cast<float>(kLogoStartBeat * kMsPerMinute / timing_bpm);
    if (timing_ms < start_ms) {
        return;
    }

    glPushMatrix();
    glTranslatef(kCanvasCentreX, kSpinningLogoY, 0);
    // Clockwise on the y-down canvas, one turn every 8 beats.
    glRotatef(beat_phase(kPer8Beats) * kDegreesPerTurn, 0, 0, 1);
    draw_sprite(spinning_logo_record, 0, 0, static_cast<float>(spinning_logo_record.width),
                static_cast<float>(spinning_logo_record.height));
    glPopMatrix();

    glPushMatrix();
    glTranslatef(kCanvasCentreX, kPulsingLogoY, 0);
    const float scale = kPulseGrowth * beat_wave(kPer4Beats) + 1.0f;
    draw_sprite(pulsing_logo_record, 0, 0, scale * pulsing_logo_record.width,
                scale * pulsing_logo_record.height);
    glPopMatrix();
}
