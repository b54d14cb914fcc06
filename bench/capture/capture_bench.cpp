// Capture throughput against drawing alone, at one frame size, in one process on one machine:
// each round draws a run of frames through the same offscreen context the capture uses
// (glFinish() after each, so the rasteriser's work is counted), then runs corvanel-capture
// over the same moments and takes the rate it reports. The ratio shows what reading back
// and encoding cost; medians over the rounds.
//   capture_bench <corvanel-capture> WxH [rounds] [frames]
#include "assets/texture_bank.h"
#include "capture/offscreen.h"
#include "capture/options.h"
#include "core/beat_clock.h"
#include "core/screen.h"
#include "scene/frame.h"

#include <GL/gl.h>

#include <algorithm>  // std::sort
#include <chrono>
#include <cstdio>
#include <cstdlib>  // std::atoi
#include <string>
#include <vector>

namespace {
constexpr int kFps = 60;
constexpr int kFromMs = 41000;  // the drop's run-up and the logos' entry: both halves drawn

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double draw_only_fps(const CaptureOptions& options, int frames)
{
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < frames; ++k) {
        timing_set_ms(capture_frame_ms(options, k));
        render_frame();
        glFinish();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return frames / seconds;
}

// The rate the capture reports on its last line ("... at 8.31 fps").
double capture_fps(const std::string& capture, const CaptureOptions& options)
{
    char command[512];
    std::snprintf(command, sizeof command,
                  "%s --force --size %dx%d --fps %d --from %.3f --to %.3f %s 2>&1 | grep -o "
                  "'at [0-9.]* fps' | tail -1",
                  capture.c_str(), options.width, options.height, options.fps_num,
                  options.from_ms / 1000.0, options.to_ms / 1000.0, options.out.c_str());
    FILE* pipe = popen(command, "r");
    double fps = 0;
    if (pipe == nullptr || std::fscanf(pipe, "at %lf fps", &fps) != 1) {
        fps = 0;
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    std::remove(options.out.c_str());
    return fps;
}
}  // namespace

int main(int argc, char** argv)
{
    CaptureOptions options{};
    if (argc < 3 || std::sscanf(argv[2], "%dx%d", &options.width, &options.height) != 2) {
        std::fprintf(stderr, "usage: capture_bench <corvanel-capture> WxH [rounds] [frames]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    const int frames = argc > 4 ? std::atoi(argv[4]) : 120;
    options.fps_num = kFps;
    options.fps_den = 1;
    options.from_ms = kFromMs;
    options.to_ms = kFromMs + frames * 1000 / kFps;
    options.out = "/tmp/corvanel-capture-bench.mp4";

    std::string error;
    if (!offscreen_open(options.width, options.height, error)) {
        std::fprintf(stderr, "capture_bench: %s\n", error.c_str());
        return 1;
    }
    W = options.width;
    H = options.height;
    set_fixed_gl_state();
    setup_canvas();
    load_textures();
    draw_only_fps(options, kFps / 4);  // warm-up

    std::vector<double> drawn;
    std::vector<double> captured;
    std::vector<double> ratio;
    for (int round = 0; round < rounds; ++round) {
        drawn.push_back(draw_only_fps(options, frames));
        captured.push_back(capture_fps(argv[1], options));
        ratio.push_back(captured.back() / drawn.back());
    }
    std::printf("capture at %d x %d, %d frames from %.0f s, %d rounds (medians):\n", options.width,
                options.height, frames, kFromMs / 1000.0, rounds);
    std::printf("  drawing alone:  %.2f fps\n", median(drawn));
    std::printf("  capture:        %.2f fps\n", median(captured));
    std::printf("  ratio:          %.2f\n", median(ratio));
    std::printf("  renderer:       %s\n", offscreen_renderer().c_str());
    free_textures();
    offscreen_close();
    return 0;
}
