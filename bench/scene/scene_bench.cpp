// Frames per second of render_frame() at 1024 x 768 with the carried pictures, and what the
// tunnel and the cube each cost, against the drawing the show had before it batched the
// tunnel: one bind, one matrix push and one immediate-mode quad per tile and per cube face,
// blending on throughout, and the flash as a quad the size of the screen, kept here verbatim
// as the baseline. Each round times, at the same moments and one after the
// other, the whole frame, the tunnel alone and the cube alone, both ways, so that every figure
// shares the machine's mood; the medians over the rounds and their ratios are printed.
// glFinish() closes every timed span so the software rasteriser's work is counted, not just
// the queueing of it.
//
// Before timing it renders every moment both ways and compares the frames byte for byte; a
// single differing byte ends the run with status 1. With --compare it does only that, at
// every STEP milliseconds from the start of the show to its end.
//   scene_bench [rounds] [moments per round]
//   scene_bench --compare STEP
#include "assets/heap_policy.h"
#include "assets/texture_bank.h"
#include "core/beat_clock.h"
#include "core/timeline.h"
#include "gl_window.h"
#include "scene/frame.h"
#include "scene/overlay.h"
#include "scene/photo_cube.h"
#include "scene/tunnel.h"

#include <GL/glu.h>
#include <SDL_opengl.h>

#include <algorithm>  // std::sort, std::min
#include <chrono>
#include <cmath>  // std::exp, std::floor
#include <cstdio>
#include <cstdlib>  // std::atoi
#include <cstring>  // std::strcmp
#include <vector>

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// ---------------------------------------------------------------------------------------------
// The baseline: the cube, the tunnel and the frame order exactly as the show drew them before.

constexpr float kCubeDistance = 4.0f;
constexpr float kDegreesPerTurn = 360.0f;
constexpr int kFacesPerCube = 6;
constexpr int kBeatsPerPhotoGroup = kBeatsPerPhrase;
constexpr int kPhotoGroups = 6;
constexpr int kTunnelColumns = 4;
constexpr int kFirstColumn = -2;
constexpr int kTunnelRows = 256;
constexpr int kPatternRows = 9;
constexpr int kPatternOffset = 900000;
constexpr float kWallDrop = -2.0f;
constexpr float kHalfTile = 0.5f;
constexpr float kWallTurns[] = {0.0f, 180.0f, 90.0f, 270.0f};

void baseline_bind_photo(int photo)
{
    glBindTexture(GL_TEXTURE_2D, bank_texture(photo_records[photo].index));
}

struct CubeCorner {
    float u, v;
    float x, y, z;
};
struct CubeFace {
    float nx, ny, nz;
    CubeCorner corners[4];
};

constexpr CubeFace kCubeFaces[kFacesPerCube] = {
    {1, 0, 0, {{0, 1, 1, -1, 1}, {0, 0, 1, 1, 1}, {1, 0, 1, 1, -1}, {1, 1, 1, -1, -1}}},
    {-1, 0, 0, {{1, 1, -1, -1, 1}, {1, 0, -1, 1, 1}, {0, 0, -1, 1, -1}, {0, 1, -1, -1, -1}}},
    {0, 1, 0, {{1, 1, -1, 1, 1}, {0, 1, 1, 1, 1}, {0, 0, 1, 1, -1}, {1, 0, -1, 1, -1}}},
    {0, -1, 0, {{0, 0, -1, -1, 1}, {1, 0, 1, -1, 1}, {1, 1, 1, -1, -1}, {0, 1, -1, -1, -1}}},
    {0, 0, 1, {{1, 1, 1, -1, 1}, {1, 0, 1, 1, 1}, {0, 0, -1, 1, 1}, {0, 1, -1, -1, 1}}},
    {0, 0, -1, {{0, 1, 1, -1, -1}, {0, 0, 1, 1, -1}, {1, 0, -1, 1, -1}, {1, 1, -1, -1, -1}}},
};

void baseline_draw_cube(int first_photo, float half_edge)
{
    for (int face = 0; face < kFacesPerCube; ++face) {
        baseline_bind_photo(first_photo + face);
        const CubeFace& f = kCubeFaces[face];
        glBegin(GL_QUADS);
        glNormal3f(f.nx, f.ny, f.nz);
        for (const CubeCorner& c : f.corners) {
            glTexCoord2f(c.u, c.v);
            glVertex3f(c.x * half_edge, c.y * half_edge, c.z * half_edge);
        }
        glEnd();
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void baseline_draw_photo_cube(int beat)
{
    glPushMatrix();
    glTranslatef(0, 0, -kCubeDistance);
    const float angle = beat_phase(kPer8Beats) * kDegreesPerTurn;
    const bool second_half = beat_phase(kPer32Beats) >= 0.5f;
    glRotatef(angle, second_half ? 1.0f : 0.0f, second_half ? 0.0f : 1.0f, 0);
    const float half_edge = beat_wave(kPer32Beats);
    const int group = (beat / kBeatsPerPhotoGroup) % kPhotoGroups;
    baseline_draw_cube(group * kFacesPerCube, half_edge);
    glPopMatrix();
}

void baseline_draw_tunnel_wall()
{
    const int beats = static_cast<int>(timing_beats);
    for (int column = kFirstColumn; column < kFirstColumn + kTunnelColumns; ++column) {
        const float x = column + kHalfTile;
        for (int row = 0; row < kTunnelRows; ++row) {
            const int pattern_row = (row - beats + kPatternOffset) % kPatternRows;
            baseline_bind_photo(pattern_row * kTunnelColumns + (column - kFirstColumn));
            glPushMatrix();
            glTranslatef(x, kWallDrop, -row - kHalfTile - timing_frac);
            glBegin(GL_QUADS);
            glNormal3f(0, 1, 0);
            glTexCoord2f(1, 1);
            glVertex3f(-kHalfTile, kHalfTile, kHalfTile);
            glTexCoord2f(0, 1);
            glVertex3f(kHalfTile, kHalfTile, kHalfTile);
            glTexCoord2f(0, 0);
            glVertex3f(kHalfTile, kHalfTile, -kHalfTile);
            glTexCoord2f(1, 0);
            glVertex3f(-kHalfTile, kHalfTile, -kHalfTile);
            glEnd();
            glPopMatrix();
        }
    }
}

void baseline_draw_tunnel()
{
    for (const float turn : kWallTurns) {
        glPushMatrix();
        if (turn != 0.0f) {
            glRotatef(turn, 0, 0, 1);
        }
        baseline_draw_tunnel_wall();
        glPopMatrix();
    }
}

// The flash as it was: a quad the size of the window, blended.
constexpr float kFlashPeak = 0.5f;
constexpr float kFlashDecay = 8.0f;

void baseline_draw_flash()
{
    glBindTexture(GL_TEXTURE_2D, 0);
    const float grey = kFlashPeak * std::exp(-kFlashDecay * beat_phase(kPer2Beats));
    glColor3f(grey, grey, grey);
    draw_rect(static_cast<float>(kWidth / 2), static_cast<float>(kHeight / 2),
              static_cast<float>(kWidth), static_cast<float>(kHeight));
}

// render_frame() as it was, with the baseline flash, cube and tunnel; the logos are the
// show's own, which nothing here changed.
void baseline_render_frame()
{
    glClear(GL_COLOR_BUFFER_BIT);
    glClear(GL_DEPTH_BUFFER_BIT);
    const int beat = static_cast<int>(std::floor(timing_beats));
    glDisable(GL_LIGHTING);
    baseline_draw_flash();

    glColor3f(1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(kWidth) / kHeight, 0.1f, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    baseline_draw_photo_cube(beat);
    baseline_draw_tunnel();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
    draw_logos();
}

// ---------------------------------------------------------------------------------------------
// What is timed.

enum class Drawing { baseline, batched };

void frame_at(int ms, Drawing drawing)
{
    timing_set_ms(ms);
    drawing == Drawing::batched ? render_frame() : baseline_render_frame();
}

// One layer of the 3D scene with the state its render_frame() gives it: cleared buffers, the
// perspective, depth testing on, colour white, the modelview at identity; blending on for the
// baseline, off for the batched drawing.
void layer_alone(int ms, Drawing drawing, void (*draw)())
{
    timing_set_ms(ms);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    if (drawing == Drawing::batched) {
        glDisable(GL_BLEND);
    }
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(kWidth) / kHeight, 0.1f, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    draw();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
}

void cube_now()
{
    draw_photo_cube(static_cast<int>(std::floor(timing_beats)));
}

void baseline_cube_now()
{
    baseline_draw_photo_cube(static_cast<int>(std::floor(timing_beats)));
}

using Clock = std::chrono::steady_clock;

// Milliseconds that `draw` takes at each of `times`, averaged over them.
template <typename Draw>
double mean_ms(const std::vector<int>& times, Draw draw)
{
    const Clock::time_point start = Clock::now();
    for (const int ms : times) {
        draw(ms);
        glFinish();
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() /
           static_cast<double>(times.size());
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Renders each moment both ways and compares the frames byte for byte; for each moment whose
// frames differ, says how many bytes do and where the first is. Returns how many differ.
int count_differing_frames(const std::vector<int>& times)
{
    int differing = 0;
    for (const int ms : times) {
        frame_at(ms, Drawing::baseline);
        const std::vector<unsigned char> before = read_frame();
        frame_at(ms, Drawing::batched);
        const std::vector<unsigned char> after = read_frame();
        if (before != after) {
            std::size_t first = before.size();
            std::size_t bytes = 0;
            for (std::size_t k = 0; k < before.size(); ++k) {
                if (before[k] != after[k]) {
                    first = std::min(first, k);
                    ++bytes;
                }
            }
            std::fprintf(stderr,
                         "frames differ at %d ms: %zu bytes, the first at pixel (%zu, %zu)\n", ms,
                         bytes, first / 3 % kWidth, first / 3 / kWidth);
            ++differing;
        }
    }
    return differing;
}

void print_row(const char* what, const std::vector<double>& baseline,
               const std::vector<double>& batched)
{
    std::vector<double> ratios;
    for (std::size_t k = 0; k < baseline.size(); ++k) {
        ratios.push_back(baseline[k] / batched[k]);
    }
    std::printf("  %-14s %8.2f ms  %8.2f ms  %6.1fx\n", what, median(baseline), median(batched),
                median(ratios));
}
}  // namespace

int main(int argc, char** argv)
{
    const bool compare_only = argc > 2 && std::strcmp(argv[1], "--compare") == 0;
    const int step = compare_only ? std::atoi(argv[2]) : 0;
    const int rounds = !compare_only && argc > 1 ? std::atoi(argv[1]) : 7;
    const int moments = !compare_only && argc > 2 ? std::atoi(argv[2]) : 30;
    if (rounds < 1 || moments < 1 || (compare_only && step < 1)) {
        std::fprintf(stderr,
                     "usage: scene_bench [rounds] [moments per round]\n"
                     "       scene_bench --compare STEP\n");
        return 2;
    }

    open_gl_window(kWidth, kHeight);
    heap_policy_for_loading();
    load_textures();
    heap_policy_for_drawing();
    if (texture_bank.names.size() != 42) {
        std::fprintf(stderr, "scene_bench: the bank holds %zu pictures, not 42\n",
                     texture_bank.names.size());
        return 1;
    }

    if (compare_only) {
        std::vector<int> times;
        for (int ms = 0; ms <= kShowLengthMs; ms += step) {
            times.push_back(ms);
        }
        const int differing = count_differing_frames(times);
        std::printf("%zu moments, every %d ms from 0 to %d ms: %d frames differ\n", times.size(),
                    step, times.back(), differing);
        return differing == 0 ? 0 : 1;
    }

    // Moments spread over the whole show, so both halves (with and without the logos) and
    // every cube size count. Comparing the frames doubles as the warm-up pass.
    std::vector<int> times;
    for (int k = 0; k < moments; ++k) {
        times.push_back(static_cast<int>(static_cast<long long>(kShowLengthMs) * k / moments) + 7);
    }
    const int differing = count_differing_frames(times);
    if (differing != 0) {
        std::fprintf(stderr, "scene_bench: %d of %d frames differ from the baseline\n", differing,
                     moments);
        return 1;
    }

    std::vector<double> frame[2], tunnel[2], cube[2];
    for (int round = 0; round < rounds; ++round) {
        for (const Drawing drawing : {Drawing::baseline, Drawing::batched}) {
            const bool batched = drawing == Drawing::batched;
            frame[batched].push_back(mean_ms(times, [&](int ms) { frame_at(ms, drawing); }));
            tunnel[batched].push_back(mean_ms(times, [&](int ms) {
                layer_alone(ms, drawing, batched ? draw_tunnel : baseline_draw_tunnel);
            }));
            cube[batched].push_back(mean_ms(times, [&](int ms) {
                layer_alone(ms, drawing, batched ? cube_now : baseline_cube_now);
            }));
        }
    }

    std::printf("render_frame() at %d x %d, %d rounds of %d moments (medians; ratio per round):\n",
                kWidth, kHeight, rounds, moments);
    std::printf("  frames identical to the baseline at all %d moments\n", moments);
    std::printf("  %-14s %11s  %11s  %7s\n", "", "baseline", "batched", "faster");
    print_row("frame", frame[0], frame[1]);
    print_row("tunnel alone", tunnel[0], tunnel[1]);
    print_row("cube alone", cube[0], cube[1]);
    std::printf("  frames per second: %.1f baseline, %.1f batched\n", 1000.0 / median(frame[0]),
                1000.0 / median(frame[1]));
    std::printf("  renderer: %s\n", glGetString(GL_RENDERER));
    return 0;
}
