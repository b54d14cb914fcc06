// The committed soundtrack, checked as the show will use it: its bytes as MPEG audio, and the
// samples SDL_mixer produces from it from the moment playback starts.
#include "playback_capture.h"
#include "score.h"
#include "soundtrack.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>  // std::sort, std::nth_element
#include <cmath>      // std::log10, std::abs
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace {
constexpr int kSamplesPerFrame = 1152;

struct FrameHeader {
    bool valid;
    int version_bits;  // 3: MPEG-1
    int layer_bits;    // 1: Layer III
    int rate_hz;
    int mode;  // 1: joint stereo
    int bytes;
};

FrameHeader parse_header(const std::vector<unsigned char>& d, std::size_t at)
{
    FrameHeader h{};
    if (at + 4 > d.size() || d[at] != 0xff || (d[at + 1] & 0xe0) != 0xe0) {
        return h;
    }
    static const int kKbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                  112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRates[4] = {44100, 48000, 32000, 0};
    h.version_bits = (d[at + 1] >> 3) & 3;
    h.layer_bits = (d[at + 1] >> 1) & 3;
    const int kbps = kKbps[d[at + 2] >> 4];
    h.rate_hz = kRates[(d[at + 2] >> 2) & 3];
    const int padding = (d[at + 2] >> 1) & 1;
    h.mode = d[at + 3] >> 6;
    h.valid = kbps > 0 && h.rate_hz > 0;
    h.bytes = h.valid ? 144 * kbps * 1000 / h.rate_hz + padding : 0;
    return h;
}

std::uint32_t big_endian(const std::vector<unsigned char>& d, std::size_t at)
{
    return (std::uint32_t{d[at]} << 24) | (std::uint32_t{d[at + 1]} << 16) |
           (std::uint32_t{d[at + 2]} << 8) | d[at + 3];
}

class CommittedTrack : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::ifstream f(CORVANEL_MUSIC_FILE, std::ios::binary);
        mp3 = std::vector<unsigned char>(std::istreambuf_iterator<char>(f), {});
        // Everything the mixer decodes: the information frame and the audio frames.
        const std::int64_t frames = static_cast<std::int64_t>(kTrackFrames + 1) * kSamplesPerFrame;
        capture = capture_playback(mp3, frames);
        mono.resize(capture.samples.size() / 2);
        for (std::size_t i = 0; i < mono.size(); ++i) {
            mono[i] = (capture.samples[2 * i] + capture.samples[2 * i + 1]) / 65536.0f;
        }
    }
    static void TearDownTestSuite()
    {
        mp3.clear();
        capture = {};
        mono.clear();
    }

    static std::vector<unsigned char> mp3;
    static Capture capture;
    static std::vector<float> mono;
};
std::vector<unsigned char> CommittedTrack::mp3;
Capture CommittedTrack::capture;
std::vector<float> CommittedTrack::mono;

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * (values.size() - 1) + 0.5)];
}

double mean_square(const std::vector<float>& x, std::int64_t from, std::int64_t to)
{
    double sum = 0.0;
    for (std::int64_t i = from; i < to; ++i) {
        sum += static_cast<double>(x[i]) * x[i];
    }
    return sum / static_cast<double>(to - from);
}

double decibels(double power)
{
    return 10.0 * std::log10(power + 1e-20);
}
}  // namespace

TEST_F(CommittedTrack, IsMpeg1LayerThreeJointStereoWithAnInformationFrameCountingEveryFrame)
{
    ASSERT_GT(mp3.size(), 1000u) << "cannot read " << CORVANEL_MUSIC_FILE;
    std::size_t at = 0;
    int frames = 0;
    while (at < mp3.size()) {
        const FrameHeader h = parse_header(mp3, at);
        ASSERT_TRUE(h.valid) << "no frame header at byte " << at;
        ASSERT_EQ(h.version_bits, 3) << "frame " << frames << " is not MPEG-1";
        ASSERT_EQ(h.layer_bits, 1) << "frame " << frames << " is not Layer III";
        ASSERT_EQ(h.rate_hz, 48000) << "frame " << frames;
        ASSERT_EQ(h.mode, 1) << "frame " << frames << " is not joint stereo";
        at += h.bytes;
        ++frames;
    }
    EXPECT_EQ(at, mp3.size()) << "the last frame is cut short";

    // The information frame: side information of 32 bytes for MPEG-1 stereo after the header.
    const std::size_t tag = 4 + 32;
    ASSERT_TRUE(std::equal(mp3.begin() + tag, mp3.begin() + tag + 4, "Xing") ||
                std::equal(mp3.begin() + tag, mp3.begin() + tag + 4, "Info"));
    const std::uint32_t flags = big_endian(mp3, tag + 4);
    ASSERT_TRUE(flags & 1u) << "the information frame carries no frame count";
    EXPECT_EQ(big_endian(mp3, tag + 8), static_cast<std::uint32_t>(kTrackFrames));
    EXPECT_EQ(frames - 1, kTrackFrames) << "audio frames in the file";

    const double seconds = static_cast<double>(kTrackFrames) * kSamplesPerFrame / kAudioRate;
    const double kbps = mp3.size() * 8.0 / seconds / 1000.0;
    EXPECT_NEAR(seconds, 205.5, 0.05);
    EXPECT_GT(kbps, 140.0) << "variable bit rate of the -V 2 class averages about 170 kbit/s";
    EXPECT_LT(kbps, 210.0);
}

TEST_F(CommittedTrack, EveryKickStartsOnItsBeatAsTheMixerPlaysIt)
{
    ASSERT_TRUE(capture.error.empty()) << capture.error;
    const std::vector<int> beats = kick_beats(compose_score());
    ASSERT_GT(beats.size(), 400u);
    std::vector<std::int64_t> expected;
    for (int b : beats) {
        expected.push_back(b * kSamplesPerBeat);
    }
    // Wide enough to see the uncompensated 47 ms, narrow enough to stay off the neighbouring
    // sixteenth notes (83 ms away).
    const std::int64_t search = kAudioRate * 60 / 1000;
    const std::vector<std::int64_t> onsets = find_onsets(mono, expected, search);
    std::vector<double> errors_ms;
    std::vector<double> magnitudes_ms;
    for (std::size_t i = 0; i < onsets.size(); ++i) {
        ASSERT_GE(onsets[i], 0) << "no onset near beat " << beats[i];
        const double ms = (onsets[i] - expected[i]) * 1000.0 / kAudioRate;
        errors_ms.push_back(ms);
        magnitudes_ms.push_back(std::abs(ms));
    }
    const double median = percentile(errors_ms, 0.5);
    const double p90 = percentile(magnitudes_ms, 0.9);
    std::printf("kick onsets: %zu, median %+.2f ms, 90th percentile |error| %.2f ms\n",
                errors_ms.size(), median, p90);
    EXPECT_LE(std::abs(median), 2.0);
    EXPECT_LE(p90, 5.0);
}

TEST_F(CommittedTrack, IsMasteredToMinus14LufsWithHeadroomAndNoClipping)
{
    ASSERT_TRUE(capture.error.empty()) << capture.error;
    ebur128_state* st = ebur128_init(2, kAudioRate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ASSERT_NE(st, nullptr);
    ebur128_add_frames_short(st, capture.samples.data(), capture.samples.size() / 2);
    double lufs = 0.0;
    double peak = 0.0;
    ebur128_loudness_global(st, &lufs);
    for (unsigned c = 0; c < 2; ++c) {
        double p = 0.0;
        ebur128_true_peak(st, c, &p);
        peak = std::max(peak, p);
    }
    ebur128_destroy(&st);
    const double peak_db = 20.0 * std::log10(peak);
    std::printf("integrated %.2f LUFS, true peak %.2f dBTP\n", lufs, peak_db);
    EXPECT_NEAR(lufs, -14.0, 1.0);
    EXPECT_LE(peak_db, -1.0);
    const auto extreme = std::minmax_element(capture.samples.begin(), capture.samples.end());
    EXPECT_GT(*extreme.first, -32768) << "clipped";
    EXPECT_LT(*extreme.second, 32767) << "clipped";
}

TEST_F(CommittedTrack, FollowsThePictureDropOnBeat128AndEndsAfterTheShow)
{
    ASSERT_TRUE(capture.error.empty()) << capture.error;
    // The eight beats before the drop hold their breath; the drop hits with everything.
    const double before = decibels(mean_square(mono, 120 * kSamplesPerBeat, 128 * kSamplesPerBeat));
    const double after = decibels(mean_square(mono, 128 * kSamplesPerBeat, 136 * kSamplesPerBeat));
    EXPECT_GT(after - before, 3.0) << "no drop at beat 128";
    // The breakdown is quieter than both peaks around it.
    const double first_peak =
        decibels(mean_square(mono, 160 * kSamplesPerBeat, 256 * kSamplesPerBeat));
    const double breakdown =
        decibels(mean_square(mono, 256 * kSamplesPerBeat, 320 * kSamplesPerBeat));
    const double second_peak =
        decibels(mean_square(mono, 352 * kSamplesPerBeat, 480 * kSamplesPerBeat));
    EXPECT_GT(first_peak - breakdown, 3.0);
    EXPECT_GT(second_peak - breakdown, 3.0);
    // Still playing at the show's last beat, silent by the end of the file.
    const std::int64_t end = static_cast<std::int64_t>(mono.size());
    const double at_show_end =
        decibels(mean_square(mono, 532 * kSamplesPerBeat, 540 * kSamplesPerBeat));
    const double last_second = decibels(mean_square(mono, end - kAudioRate, end));
    EXPECT_GT(at_show_end, -30.0);
    EXPECT_LT(last_second, at_show_end - 30.0);
}
