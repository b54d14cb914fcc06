// Frames per second of render_frame() at 1024 x 768 with the carried pictures, and how much of
// each frame the tunnel takes. Each round times whole frames and the tunnel drawn alone at the
// same moments, one after the other, so the two figures share the machine's mood; the medians
// over the rounds are printed. glFinish() closes every timed span so the software rasteriser's
// work is counted, not just the queueing of it.
//   scene_bench [rounds] [moments per round]
#include "assets/texture_bank.h"
#include "core/beat_clock.h"
#include "core/timeline.h"
#include "gl_window.h"
#include "scene/photo_cube.h"

#include <GL/glu.h>
#include <SDL_opengl.h>

#include <algorithm>  // std::sort
#include <chrono>
#include <cstdio>
#include <cstdlib>  // std::atoi
#include <vector>

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The tunnel with the state render_frame() gives it: cleared buffers, the perspective, depth
// testing on, colour white, the modelview at identity.
void draw_tunnel_alone(int ms)
{
    timing_set_ms(ms);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(kWidth) / kHeight, 0.1f, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    draw_tunnel();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_DEPTH_TEST);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    const int moments = argc > 2 ? std::atoi(argv[2]) : 30;
    if (rounds < 1 || moments < 1) {
        std::fprintf(stderr, "usage: scene_bench [rounds] [moments per round]\n");
        return 2;
    }

    open_gl_window(kWidth, kHeight);
    load_textures();
    if (texture_bank.names.size() != 42) {
        std::fprintf(stderr, "scene_bench: the bank holds %zu pictures, not 42\n",
                     texture_bank.names.size());
        return 1;
    }

    // Moments spread over the whole show, so both halves (with and without the logos) and
    // every cube size count. One warm-up pass first.
    std::vector<int> times;
    for (int k = 0; k < moments; ++k) {
        times.push_back(static_cast<int>(static_cast<long long>(kShowLengthMs) * k / moments) + 7);
    }
    for (const int ms : times) {
        render_at_ms(ms);
    }
    glFinish();

    std::vector<double> frame_ms;
    std::vector<double> tunnel_ms;
    for (int round = 0; round < rounds; ++round) {
        double frames = 0;
        double tunnel = 0;
        for (const int ms : times) {
            Clock::time_point start = Clock::now();
            render_at_ms(ms);
            glFinish();
            frames += ms_since(start);

            start = Clock::now();
            draw_tunnel_alone(ms);
            glFinish();
            tunnel += ms_since(start);
        }
        frame_ms.push_back(frames / moments);
        tunnel_ms.push_back(tunnel / moments);
    }

    std::vector<double> share;
    for (int round = 0; round < rounds; ++round) {
        share.push_back(tunnel_ms[round] / frame_ms[round]);
    }
    const double frame = median(frame_ms);
    const double tunnel = median(tunnel_ms);
    std::printf("render_frame() at %d x %d, %d rounds of %d moments (medians):\n", kWidth, kHeight,
                rounds, moments);
    std::printf("  frame:              %.2f ms  (%.1f frames per second)\n", frame, 1000.0 / frame);
    std::printf("  tunnel alone:       %.2f ms\n", tunnel);
    std::printf("  rest of the frame:  %.2f ms\n", frame - tunnel);
    std::printf("  tunnel share:       %.0f %%\n", 100.0 * median(share));
    std::printf("  renderer:           %s\n", glGetString(GL_RENDERER));
    return 0;
}
