// The capture's command line and the frame and sample arithmetic shared with its tests.
#include "capture/options.h"

#include "core/timeline.h"

#include <cerrno>
#include <cmath>    // std::llround, std::isfinite
#include <cstdlib>  // std::strtol, std::strtod
#include <cstring>  // std::strcmp, std::strrchr

namespace {
constexpr std::int32_t kDefaultCaptureWidth = 1024;
constexpr std::int32_t kDefaultCaptureHeight = 768;
constexpr std::int32_t kDefaultFps = 60;
constexpr std::int32_t kDefaultCrf = 18;
constexpr std::int32_t kMinSide = 16;
constexpr std::int32_t kMaxSide = 8192;
constexpr std::int32_t kMaxFps = 240;
constexpr std::int32_t kMaxCrf = 51;

bool read_int(const char* text, long low, long high, std::int32_t& value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) {
        return false;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}

// Seconds as written (41, 42.5), held as whole milliseconds: the show's clock has no finer step.
bool read_seconds(const char* text, std::int32_t& ms)
{
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(seconds) || seconds < 0 ||
        seconds * 1000.0 > kShowLengthMs) {
        return false;
    }
    ms = static_cast<std::int32_t>(std::llround(seconds * 1000.0));
    return true;
}

// WxH with both sides even: 4:2:0 video has one colour sample per 2 x 2 pixels.
bool read_size(const char* text, std::int32_t& width, std::int32_t& height)
{
    const char* x = std::strchr(text, 'x');
    if (x == nullptr) {
        return false;
    }
    const std::string w(text, x);
    return read_int(w.c_str(), kMinSide, kMaxSide, width) &&
           read_int(x + 1, kMinSide, kMaxSide, height) && width % 2 == 0 && height % 2 == 0;
}

bool ends_with(const std::string& text, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return text.size() > n && text.compare(text.size() - n, n, suffix) == 0;
}
}  // namespace

const char kCaptureUsage[] =
    "usage: corvanel-capture [--size WxH] [--fps N] [--from SECONDS] [--to SECONDS] [--crf N] OUT\n"
    "Renders the show without a display and writes it with its music to OUT.\n"
    "  --size WxH      frame size in pixels, both even (default 1024x768)\n"
    "  --fps N         frames per second, 1-240 (default 60)\n"
    "  --from SECONDS  show time to start at (default 0)\n"
    "  --to SECONDS    show time to stop before (default 180, the whole show)\n"
    "  --crf N         H.264 quality, 0 (lossless) to 51 (default 18)\n"
    "  OUT             ending in .mp4 (H.264 with AAC sound) or .mkv (H.264 with FLAC sound)\n"
    "Frame k shows show time FROM + k / N seconds, rounded down to the millisecond as the\n"
    "show's clock is. Ctrl-C stops early and keeps a playable file of the frames so far.\n";

ParseResult parse_capture_options(int argc, char** argv, CaptureOptions& options,
                                  std::string& error)
{
    options = CaptureOptions{kDefaultCaptureWidth, kDefaultCaptureHeight, kDefaultFps, 0,
                             kShowLengthMs,        kDefaultCrf,           "",          false};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            return ParseResult::help;
        }
        const bool takes_value =
            arg == "--size" || arg == "--fps" || arg == "--from" || arg == "--to" || arg == "--crf";
        if (takes_value && i + 1 >= argc) {
            error = arg + " needs a value";
            return ParseResult::error;
        }
        bool ok = true;
        if (arg == "--size") {
            ok = read_size(argv[++i], options.width, options.height);
        } else if (arg == "--fps") {
            ok = read_int(argv[++i], 1, kMaxFps, options.fps);
        } else if (arg == "--from") {
            ok = read_seconds(argv[++i], options.from_ms);
        } else if (arg == "--to") {
            ok = read_seconds(argv[++i], options.to_ms);
        } else if (arg == "--crf") {
            ok = read_int(argv[++i], 0, kMaxCrf, options.crf);
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg + " (see --help)";
            return ParseResult::error;
        } else if (!options.out.empty()) {
            error = "one output file only, not both " + options.out + " and " + arg;
            return ParseResult::error;
        } else {
            options.out = arg;
            continue;
        }
        if (!ok) {
            error = "bad value for " + arg + ": " + argv[i] + " (see --help)";
            return ParseResult::error;
        }
    }
    if (options.out.empty()) {
        error = "no output file given (see --help)";
        return ParseResult::error;
    }
    if (ends_with(options.out, ".mkv")) {
        options.matroska = true;
    } else if (!ends_with(options.out, ".mp4")) {
        error = "the output file must end in .mp4 or .mkv: " + options.out;
        return ParseResult::error;
    }
    if (options.from_ms >= options.to_ms) {
        error = "--from must come before --to";
        return ParseResult::error;
    }
    return ParseResult::run;
}

// Every frame whose moment falls before the end: ceil(duration * fps).
std::int64_t capture_frame_count(const CaptureOptions& options)
{
    const std::int64_t span = std::int64_t{options.to_ms} - options.from_ms;
    return (span * options.fps + 999) / 1000;
}

// Frame k is shown from k / fps seconds into the video. The show's clock counts whole
// milliseconds since the music started, so a show running at this rate would read the
// moment rounded down; so does the capture.
std::int32_t capture_frame_ms(const CaptureOptions& options, std::int64_t frame)
{
    return options.from_ms + static_cast<std::int32_t>(frame * 1000 / options.fps);
}

// The sound that plays while those frames are shown, in whole samples.
std::int64_t capture_audio_frames(const CaptureOptions& options, std::int64_t frames)
{
    return frames * kAudioRate / options.fps;
}
