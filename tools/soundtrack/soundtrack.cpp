#include "soundtrack.h"

#include "encode.h"
#include "mixdown.h"
#include "score.h"

#include <chrono>
#include <cmath>  // std::pow, std::abs

namespace {
// Margin under the true-peak limit: the encoder's rounding moves peaks by a few hundredths
// of a dB, and the show's decoder differs from ours by as much.
constexpr double kTruePeakMarginDb = 0.3;
constexpr double kLoudnessTolerance = 0.3;
// The limiter works on samples; the peaks between samples, and the encoder, add up to about
// half a dB on top, so the limiter's ceiling starts that far under the true-peak target.
constexpr double kInterSamplePeakDb = 0.5;
constexpr int kMasteringAttempts = 4;

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

std::int64_t playback_lead_samples()
{
    return kInformationFrameSamples + mp3_encoder_delay() + kDecoderDelaySamples;
}

std::int64_t encoded_samples()
{
    // The encoder writes its delay in front and pads the end to whole frames; for lengths like
    // this one it adds a full frame of padding (its tag says 576 and 1 152 samples), so the
    // stream fills exactly kTrackFrames frames.
    return static_cast<std::int64_t>(kTrackFrames) * kMp3FrameSamples - mp3_encoder_delay() -
           kMp3FrameSamples;
}

Soundtrack make_soundtrack()
{
    Soundtrack out{};
    const auto render_start = std::chrono::steady_clock::now();
    const std::int64_t lead = playback_lead_samples();
    const std::int64_t count = encoded_samples();
    const StereoBuffer piece = mix_piece(compose_score(), lead + count);
    // The player adds `lead` samples in front of the first encoded one, so encoding starts
    // that far into the music.
    StereoBuffer dry{std::vector<float>(piece.left.begin() + lead, piece.left.end()),
                     std::vector<float>(piece.right.begin() + lead, piece.right.end())};
    out.render_seconds = seconds_since(render_start);

    const auto encode_start = std::chrono::steady_clock::now();
    double target = kTargetLufs;
    double ceiling_db = kTruePeakLimitDbtp - kTruePeakMarginDb - kInterSamplePeakDb;
    for (int attempt = 0; attempt < kMasteringAttempts; ++attempt) {
        StereoBuffer pcm = dry;
        master_track(pcm, target, static_cast<float>(std::pow(10.0, ceiling_db / 20.0)));
        out.mp3 = encode_mp3(pcm);
        out.heard = decode_mp3(out.mp3);
        out.loudness = measure_loudness(out.heard);
        const double peak_over =
            out.loudness.true_peak_dbtp - (kTruePeakLimitDbtp - kTruePeakMarginDb);
        const double loudness_error = kTargetLufs - out.loudness.integrated_lufs;
        if (peak_over <= 0.0 && std::abs(loudness_error) <= kLoudnessTolerance) {
            break;
        }
        if (peak_over > 0.0) {
            ceiling_db -= peak_over + 0.05;
        }
        target += loudness_error;
    }
    out.encode_seconds = seconds_since(encode_start);
    return out;
}
