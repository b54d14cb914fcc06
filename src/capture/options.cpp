// The capture's command line, and the frame and sample arithmetic the encoder and the
// soundtrack share.
#include "capture/options.h"

#include "core/timeline.h"

#include <algorithm>  // std::min
#include <cctype>     // std::tolower, std::isdigit
#include <cerrno>
#include <cmath>    // std::llround, std::isfinite
#include <cstdio>   // std::snprintf
#include <cstdlib>  // std::strtol, std::strtod
#include <cstring>  // std::strchr
#include <numeric>  // std::gcd

namespace {
constexpr std::int32_t kDefaultCaptureWidth = 1024;
constexpr std::int32_t kDefaultCaptureHeight = 768;
constexpr std::int32_t kDefaultFps = 60;
// For whoever shares the file. Over ten seconds across the drop at 1024 x 768 and 60 fps, each
// frame's luma SSIM against a lossless capture: faster at CRF 20 keeps 0.959 on average (worst
// frame 0.938) in 30 MB; veryfast at CRF 20 0.953 (0.929) in 28 MB; ultrafast at CRF 18 0.967 in
// 72 MB; medium is no smaller than faster at the same SSIM. The textures in motion are costly
// to code at any setting; a keyframe every 10 s instead of 2 s would save only 1 %.
constexpr std::int32_t kDefaultCrf = 20;
constexpr char kDefaultPreset[] = "faster";
constexpr const char* kPresets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                    "medium",    "slow",      "slower",   "veryslow", "placebo"};
constexpr std::int32_t kMinSide = 16;
constexpr std::int32_t kMaxFps = 240;
constexpr std::int32_t kMaxCrf = 51;
constexpr long kMaxFpsDenominator = 1000000;
// H.264's largest level (6.2): frames of at most 139264 macroblocks of 16 x 16 pixels and at
// most 16711680 macroblocks a second. Its bound on a side, sqrt(8 x 139264) macroblocks (16880
// pixels), is above libx264's own, 16384.
constexpr std::int64_t kMacroblock = 16;
constexpr std::int64_t kMaxFrameMacroblocks = 139264;
constexpr std::int32_t kMaxSide = 16384;
constexpr std::int64_t kMaxMacroblocksPerSecond = 16711680;

bool read_long(const std::string& text, long low, long high, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && end != text.c_str() && *end == '\0' &&
           std::isdigit(static_cast<unsigned char>(text[0])) != 0 && value >= low && value <= high;
}

bool read_int(const std::string& text, long low, long high, std::int32_t& value)
{
    long v = 0;
    if (!read_long(text, low, high, v)) {
        return false;
    }
    value = static_cast<std::int32_t>(v);
    return true;
}

// Seconds as written (41, 42.5), held as whole milliseconds: the show's clock has no finer step.
bool read_seconds(const std::string& text, std::int32_t& ms)
{
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(seconds) ||
        seconds < 0 || seconds * 1000.0 > kShowLengthMs) {
        return false;
    }
    ms = static_cast<std::int32_t>(std::llround(seconds * 1000.0));
    return true;
}

// A frame rate as a whole number (60), a fraction (30000/1001) or a decimal (29.97). Television's
// rates are n x 1000/1001 and are written rounded (23.976, 29.97, 59.94): a decimal that such a
// rate rounds to, to the digits given, is taken as that rate; any other decimal as written.
bool read_rate(const std::string& text, std::int32_t& num, std::int32_t& den)
{
    long n = 0;
    long d = 1;
    const std::size_t slash = text.find('/');
    const std::size_t point = text.find('.');
    if (slash != std::string::npos) {
        if (!read_long(text.substr(0, slash), 1, kMaxFps * kMaxFpsDenominator, n) ||
            !read_long(text.substr(slash + 1), 1, kMaxFpsDenominator, d)) {
            return false;
        }
    } else if (point != std::string::npos) {
        const std::string digits = text.substr(point + 1);
        long whole = 0;
        long part = 0;
        if (digits.empty() || digits.size() > 6 ||
            !read_long(text.substr(0, point), 0, kMaxFps, whole) ||
            !read_long(digits, 0, kMaxFpsDenominator, part)) {
            return false;
        }
        for (std::size_t i = 0; i < digits.size(); ++i) {
            d *= 10;
        }
        n = whole * d + part;
        // The whole number n' whose n' x 1000/1001 is nearest, and the decimal it rounds to.
        const long television = (n * 1001 + 500 * d) / (1000 * d);
        const long rounded = (television * 1000 * d * 2 + 1001) / (1001 * 2);
        if (digits.size() >= 2 && television > 0 && rounded == n) {
            n = television * 1000;
            d = 1001;
        }
    } else if (!read_long(text, 1, kMaxFps, n)) {
        return false;
    }
    const long common = std::gcd(n, d);
    n /= common;
    d /= common;
    if (n < d || n > kMaxFps * d) {
        return false;
    }
    num = static_cast<std::int32_t>(n);
    den = static_cast<std::int32_t>(d);
    return true;
}

// WxH, each side even and within what H.264 can hold; a reason in `why` when not.
bool read_size(const std::string& text, std::int32_t& width, std::int32_t& height, std::string& why)
{
    const std::size_t x = text.find('x');
    if (x == std::string::npos || !read_int(text.substr(0, x), kMinSide, kMaxSide, width) ||
        !read_int(text.substr(x + 1), kMinSide, kMaxSide, height)) {
        why = "width x height in pixels, each from " + std::to_string(kMinSide) + " to " +
              std::to_string(kMaxSide);
        return false;
    }
    if (width % 2 != 0 || height % 2 != 0) {
        why = "both sides must be even: 4:2:0 video keeps one colour sample per 2 x 2 pixels";
        return false;
    }
    const std::int64_t macroblocks =
        (width + kMacroblock - 1) / kMacroblock * ((height + kMacroblock - 1) / kMacroblock);
    if (macroblocks > kMaxFrameMacroblocks) {
        why = std::to_string(macroblocks) +
              " macroblocks of 16 x 16 a frame; H.264 holds at most " +
              std::to_string(kMaxFrameMacroblocks) + ", as 8192x4320";
        return false;
    }
    return true;
}

std::string lower_case(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

bool ends_with(const std::string& text, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return text.size() > n && text.compare(text.size() - n, n, suffix) == 0;
}

bool is_preset(const std::string& name)
{
    for (const char* preset : kPresets) {
        if (name == preset) {
            return true;
        }
    }
    return false;
}

std::string seconds_text(std::int32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", ms / 1000.0);
    return text;
}
}  // namespace

const char kCaptureUsage[] =
    "usage: corvanel-capture [options] OUT\n"
    "Renders the show without a display and writes it with its music to OUT.\n"
    "  --size WxH      frame size in pixels, both even (default 1024x768), no larger than\n"
    "                  H.264 holds: 8192x4320 in area, 16384 a side\n"
    "  --fps RATE      frames per second, 1-240, as 60, 29.97 or 30000/1001 (default 60)\n"
    "  --from SECONDS  show time to start at (default 0)\n"
    "  --to SECONDS    show time to stop before (default 180: the show ends there, cutting\n"
    "                  the music's outro, and so does the capture)\n"
    "  --crf N         H.264 quality, 0 (lossless) to 51 (default 20); each step lower keeps\n"
    "                  more detail in a file about 15 % bigger. 0 writes H.264's High 4:4:4\n"
    "                  Predictive profile: players built on FFmpeg (ffplay, mpv, VLC) play\n"
    "                  it, browsers and video sites do not\n"
    "  --preset NAME   x264's speed against size, ultrafast to placebo (default faster); at\n"
    "                  the same CRF ultrafast captures sooner into a file twice as big, and\n"
    "                  the slower ones take longer for little gain\n"
    "  -f, --force     replace OUT if it exists (otherwise the capture refuses), keeping its\n"
    "                  permissions; through a symbolic link, the file it leads to\n"
    "  --resume        go on from what a capture of OUT that was killed left (it is named\n"
    "                  when found), if it was made with the same size, rate, start and\n"
    "                  encoding; frames and sound are those an unbroken capture makes\n"
    "  OUT             ending in .mp4 (H.264 with AAC sound) or .mkv (H.264 with FLAC sound)\n"
    "The defaults make a file to share, as video sites ask for an upload (the .mp4's index\n"
    "first, a keyframe every half second, AAC at 384 kb/s): about 190 MB a minute at 1024x768.\n"
    "Values go as --fps 30 or --fps=30. Frame k shows show time FROM + k / RATE seconds,\n"
    "rounded down to the millisecond as the show's clock is. OUT appears only once complete.\n"
    "Ctrl-C, SIGTERM, SIGHUP (a closed terminal) or a closed pipe on standard error stops\n"
    "early and keeps a playable file of the frames so far (status 130, 143, 129 or 141); a\n"
    "second Ctrl-C is ignored while the file is finished, a third abandons it. What a kill\n"
    "leaves (OUT's name with .partial-XXXXXX) plays up to its last whole second.\n";

ParseResult parse_capture_options(int argc, char** argv, CaptureOptions& options,
                                  std::string& error)
{
    options = CaptureOptions{
        kDefaultCaptureWidth, kDefaultCaptureHeight, kDefaultFps, 1,     0,     kShowLengthMs,
        kDefaultCrf,          kDefaultPreset,        "",          false, false, false};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        const std::size_t equals = arg.find('=');
        const bool joined = arg.compare(0, 2, "--") == 0 && equals != std::string::npos;
        if (joined) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
        }
        const bool takes_value = arg == "--size" || arg == "--fps" || arg == "--from" ||
                                 arg == "--to" || arg == "--crf" || arg == "--preset";
        if (joined && !takes_value) {
            error = arg + " takes no value (see --help)";
            return ParseResult::error;
        }
        if (takes_value && !joined) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return ParseResult::error;
            }
            value = argv[++i];
        }
        std::string why;
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            return ParseResult::help;
        } else if (arg == "--force" || arg == "-f") {
            options.force = true;
        } else if (arg == "--resume") {
            options.resume = true;
        } else if (arg == "--size") {
            ok = read_size(value, options.width, options.height, why);
        } else if (arg == "--fps") {
            ok = read_rate(value, options.fps_num, options.fps_den);
            why = "a rate from 1 to 240, as 60, 29.97 or 30000/1001";
        } else if (arg == "--from" || arg == "--to") {
            ok = read_seconds(value, arg == "--from" ? options.from_ms : options.to_ms);
            why = "seconds from 0 to 180, where the show ends";
        } else if (arg == "--crf") {
            ok = read_int(value, 0, kMaxCrf, options.crf);
            why = "a whole number from 0 to 51";
        } else if (arg == "--preset") {
            options.preset = value;
            ok = is_preset(value);
            why =
                "one of x264's: ultrafast superfast veryfast faster fast medium slow slower "
                "veryslow placebo";
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg + " (see --help)";
            return ParseResult::error;
        } else if (!options.out.empty()) {
            error = "one output file only, not both " + options.out + " and " + arg;
            return ParseResult::error;
        } else {
            options.out = arg;
        }
        if (!ok) {
            error = "bad value for " + arg + ": " + value + " (" + why + ")";
            return ParseResult::error;
        }
    }
    if (options.out.empty()) {
        error = "no output file given (see --help)";
        return ParseResult::error;
    }
    const std::string name = lower_case(options.out);
    if (ends_with(name, ".mkv")) {
        options.matroska = true;
    } else if (!ends_with(name, ".mp4")) {
        error = "the output file must end in .mp4 or .mkv: " + options.out;
        return ParseResult::error;
    }
    if (options.from_ms >= options.to_ms) {
        // Named as read, since a --to under a millisecond reads as 0 and says nothing by itself.
        error = "nothing to capture from " + seconds_text(options.from_ms) + " to " +
                seconds_text(options.to_ms) + " (--from must come before --to)";
        return ParseResult::error;
    }
    const std::int64_t per_second = (options.width + kMacroblock - 1) / kMacroblock *
                                    ((options.height + kMacroblock - 1) / kMacroblock) *
                                    options.fps_num / options.fps_den;
    if (per_second > kMaxMacroblocksPerSecond) {
        error = "--size and --fps together make " + std::to_string(per_second) +
                " macroblocks a second; H.264 holds " + std::to_string(kMaxMacroblocksPerSecond);
        return ParseResult::error;
    }
    return ParseResult::run;
}

// Every frame whose moment falls before the end: ceil(duration x rate).
std::int64_t capture_frame_count(const CaptureOptions& options)
{
    const std::int64_t span = std::int64_t{options.to_ms} - options.from_ms;
    const std::int64_t per = std::int64_t{1000} * options.fps_den;
    return (span * options.fps_num + per - 1) / per;
}

// Frame k is shown from k / rate seconds into the video. The show's clock counts whole
// milliseconds since the music started, so a show running at this rate would read the
// moment rounded down; so does the capture.
std::int32_t capture_frame_ms(const CaptureOptions& options, std::int64_t frame)
{
    return options.from_ms +
           static_cast<std::int32_t>(frame * 1000 * options.fps_den / options.fps_num);
}

// The sound that plays while those frames are shown, in whole samples; past the show's end
// there is none (the music's outro is cut there, as the show cuts it).
std::int64_t capture_audio_frames(const CaptureOptions& options, std::int64_t frames)
{
    return std::min(frames * kAudioRate * options.fps_den / options.fps_num,
                    std::int64_t{capture_show_end_ms(options)} * kAudioRate / 1000);
}

std::int32_t capture_show_end_ms(const CaptureOptions& options)
{
    return kShowLengthMs - options.from_ms;
}

std::string capture_settings_text(const CaptureOptions& options)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "corvanel-capture %dx%d at %d/%d fps from %d ms, crf %d, preset %s",
                  options.width, options.height, options.fps_num, options.fps_den, options.from_ms,
                  options.crf, options.preset.c_str());
    return text;
}
