// The capture at its default encoding, at one frame size, on one machine.
// Rate: each round draws a run of frames through the same offscreen context the capture uses
// (glFinish() after each, so the rasteriser's work is counted), then runs corvanel-capture
// over the same moments and takes the rate it reports. The ratio shows what reading back
// and encoding cost; medians over the rounds.
// Size and quality: ten seconds across the drop captured at the default and losslessly
// (--crf 0); the file's size per minute, and the luma SSIM of every default frame against its
// lossless one (FFmpeg's ssim filter, frames paired by index), mean and worst.
//   capture_bench <corvanel-capture> WxH [rounds] [frames] [capture options...]
// Capture options after the frames (--preset ultrafast --crf 18) measure another encoding.
#include "assets/texture_bank.h"
#include "capture/offscreen.h"
#include "capture/options.h"
#include "core/beat_clock.h"
#include "core/screen.h"
#include "core/timeline.h"
#include "scene/frame.h"

#include <GL/gl.h>
#include <sys/stat.h>  // stat

#include <algorithm>  // std::sort, std::min_element
#include <chrono>
#include <cstdio>
#include <cstdlib>  // std::atoi, mkdtemp, std::system
#include <string>
#include <vector>

namespace {
constexpr int kFps = 60;
constexpr int kFromMs = 41000;         // the drop's run-up and the logos' entry: both halves drawn
constexpr double kQualityFrom = 40.0;  // ten seconds across the drop, at beat 128 (42.7 s)
constexpr double kQualityTo = 50.0;
constexpr double kSecondsPerMinute = 60.0;

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

// Runs the capture (its own output replaced with --force) and returns the rate it reports on
// its last line ("... at 8.31 fps"), 0 if it failed.
double run_capture(const std::string& capture, const CaptureOptions& options, double from,
                   double to, const std::string& extra, const std::string& out)
{
    char command[1024];
    std::snprintf(command, sizeof command,
                  "%s --force --size %dx%d --from %.3f --to %.3f %s %s 2>&1 | grep -o "
                  "'at [0-9.]* fps' | tail -1",
                  capture.c_str(), options.width, options.height, from, to, extra.c_str(),
                  out.c_str());
    FILE* pipe = popen(command, "r");
    double fps = 0;
    if (pipe == nullptr || std::fscanf(pipe, "at %lf fps", &fps) != 1) {
        fps = 0;
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    return fps;
}

// Luma SSIM of each frame of `coded` against the same frame of `reference`, in frame order.
std::vector<double> luma_ssim(const std::string& coded, const std::string& reference)
{
    const std::string command =
        "ffmpeg -nostdin -v error -i " + coded + " -i " + reference +
        " -lavfi '[0:v]setpts=N/(60*TB)[a];[1:v]setpts=N/(60*TB)[b];[a][b]ssim=stats_file=-' "
        "-f null - | grep -o 'Y:[0-9.]*'";
    std::vector<double> values;
    FILE* pipe = popen(command.c_str(), "r");
    for (double y = 0; pipe != nullptr && std::fscanf(pipe, " Y:%lf", &y) == 1;) {
        values.push_back(y);
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    return values;
}

long file_size(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : 0;
}

void measure_quality(const std::string& capture, const CaptureOptions& options,
                     const std::string& extra, const std::string& work)
{
    const std::string coded = work + "/coded.mp4";
    const std::string lossless = work + "/lossless.mkv";
    if (run_capture(capture, options, kQualityFrom, kQualityTo, extra, coded) <= 0 ||
        run_capture(capture, options, kQualityFrom, kQualityTo, "--crf 0 --preset ultrafast",
                    lossless) <= 0) {
        std::printf("  size, SSIM:     the captures failed\n");
        return;
    }
    const std::vector<double> ssim = luma_ssim(coded, lossless);
    double sum = 0;
    for (double v : ssim) {
        sum += v;
    }
    const double megabytes_per_minute =
        file_size(coded) / 1e6 * kSecondsPerMinute / (kQualityTo - kQualityFrom);
    std::printf(
        "  size:           %.1f MB a minute across the drop (%.0f MB for the show's 3 minutes)\n",
        megabytes_per_minute, megabytes_per_minute * kShowLengthMs / 60000.0);
    std::printf("  luma SSIM:      mean %.4f, worst %.4f over %zu frames, against --crf 0\n",
                ssim.empty() ? 0.0 : sum / ssim.size(),
                ssim.empty() ? 0.0 : *std::min_element(ssim.begin(), ssim.end()), ssim.size());
}
}  // namespace

int main(int argc, char** argv)
{
    CaptureOptions options{};
    if (argc < 3 || std::sscanf(argv[2], "%dx%d", &options.width, &options.height) != 2) {
        std::fprintf(stderr,
                     "usage: capture_bench <corvanel-capture> WxH [rounds] [frames] [options]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    const int frames = argc > 4 ? std::atoi(argv[4]) : 120;
    std::string extra;
    for (int i = 5; i < argc; ++i) {
        extra += std::string(" ") + argv[i];
    }
    options.fps_num = kFps;
    options.fps_den = 1;
    options.from_ms = kFromMs;
    options.to_ms = kFromMs + frames * 1000 / kFps;
    char folder[] = "/tmp/corvanel-capture-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::perror("capture_bench: mkdtemp");
        return 1;
    }
    const std::string work = folder;

    std::string error;
    if (!offscreen_open(options.width, options.height, error)) {
        std::fprintf(stderr, "capture_bench: %s\n", error.c_str());
        return 1;
    }
    screen_resize(options.width, options.height);
    set_fixed_gl_state();
    setup_canvas();
    load_textures();
    draw_only_fps(options, kFps / 4);  // warm-up

    std::vector<double> drawn;
    std::vector<double> captured;
    std::vector<double> ratio;
    for (int round = 0; round < rounds; ++round) {
        drawn.push_back(draw_only_fps(options, frames));
        captured.push_back(run_capture(argv[1], options, options.from_ms / 1000.0,
                                       options.to_ms / 1000.0, extra, work + "/rate.mp4"));
        ratio.push_back(captured.back() / drawn.back());
    }
    std::printf("capture at %d x %d%s, %d frames from %.0f s, %d rounds (medians):\n",
                options.width, options.height, extra.c_str(), frames, kFromMs / 1000.0, rounds);
    std::printf("  drawing alone:  %.2f fps\n", median(drawn));
    std::printf("  capture:        %.2f fps\n", median(captured));
    std::printf("  ratio:          %.2f\n", median(ratio));
    std::printf("  renderer:       %s\n", offscreen_renderer().c_str());
    free_textures();
    offscreen_close();
    std::fflush(stdout);
    measure_quality(argv[1], options, extra, work);
    std::system(("rm -rf " + work).c_str());
    return 0;
}
