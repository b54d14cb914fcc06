// The committed soundtrack, checked as the show will use it: the samples SDL_mixer produces from
// it from the moment playback starts. Every kick of the score sounds on its beat (the score's
// test puts the drop and the show's end where the picture has them), mastered to its loudness.
#include "encode.h"
#include "playback_capture.h"
#include "score.h"
#include "soundtrack.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>  // std::sort, std::max
#include <cmath>      // std::log10, std::abs
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace {
class CommittedTrack : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::ifstream f(CORVANEL_MUSIC_FILE, std::ios::binary);
        const std::vector<unsigned char> mp3(std::istreambuf_iterator<char>(f), {});
        // Everything the mixer decodes: the information frame and the audio frames.
        capture = capture_playback(mp3, (kTrackFrames + 1) * std::int64_t{kMp3FrameSamples});
        mono.resize(capture.samples.size() / 2);
        for (std::size_t i = 0; i < mono.size(); ++i) {
            mono[i] = (capture.samples[2 * i] + capture.samples[2 * i + 1]) / 65536.0f;
        }
    }
    void SetUp() override
    {
        ASSERT_TRUE(capture.error.empty()) << capture.error;
    }

    inline static Capture capture;
    inline static std::vector<float> mono;
};
}  // namespace

TEST_F(CommittedTrack, EveryKickStartsOnItsBeatAsTheMixerPlaysIt)
{
    const std::vector<int> beats = kick_beats(compose_score());
    ASSERT_GT(beats.size(), 400u);
    std::vector<std::int64_t> expected;
    for (int b : beats) {
        expected.push_back(b * kSamplesPerBeat);
    }
    // Wide enough to see the uncompensated 47 ms, narrow enough to stay off the neighbouring
    // sixteenth notes (83 ms away).
    const std::vector<std::int64_t> onsets = find_onsets(mono, expected, kAudioRate * 60 / 1000);
    std::vector<double> errors_ms, magnitudes_ms;
    for (std::size_t i = 0; i < onsets.size(); ++i) {
        ASSERT_GE(onsets[i], 0) << "no onset near beat " << beats[i];
        errors_ms.push_back((onsets[i] - expected[i]) * 1000.0 / kAudioRate);
        magnitudes_ms.push_back(std::abs(errors_ms.back()));
    }
    std::sort(errors_ms.begin(), errors_ms.end());
    std::sort(magnitudes_ms.begin(), magnitudes_ms.end());
    const double median = errors_ms[errors_ms.size() / 2];
    const double p90 = magnitudes_ms[magnitudes_ms.size() * 9 / 10];
    std::printf("kick onsets: %zu, median %+.2f ms, 90th percentile |error| %.2f ms\n",
                errors_ms.size(), median, p90);
    EXPECT_LE(std::abs(median), 2.0);
    EXPECT_LE(p90, 5.0);
}

TEST_F(CommittedTrack, IsMasteredToItsLoudnessWithHeadroomAndNoClipping)
{
    ebur128_state* st =
        ebur128_init(kAudioChannels, kAudioRate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
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
    std::printf("integrated %.2f LUFS, true peak %.2f dBTP\n", lufs, 20.0 * std::log10(peak));
    // The show's decoder differs a little from the generator's, hence the margins. (A clipped
    // sample would have its true peak at full scale, above the limit.)
    EXPECT_NEAR(lufs, kTargetLufs, 0.5);
    EXPECT_LE(20.0 * std::log10(peak), kTruePeakLimitDbtp);
}
