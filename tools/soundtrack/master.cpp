#include "master.h"

#include <ebur128.h>

#include <algorithm>  // std::min, std::max, std::clamp
#include <cmath>      // std::pow, std::log10, std::abs
#include <deque>
#include <stdexcept>

namespace {
constexpr std::int64_t kLookAheadSamples = kAudioRate * 3 / 1000;  // 3 ms
constexpr double kReleaseSeconds = 0.12;
constexpr std::int64_t kChunkFrames = 65536;
constexpr int kMasteringPasses = 8;
constexpr double kLoudnessToleranceLu = 0.05;

double measure(const StereoBuffer& pcm, int mode, Loudness& out)
{
    ebur128_state* state = ebur128_init(kAudioChannels, kAudioRate, mode);
    if (state == nullptr) {
        throw std::runtime_error("ebur128_init failed");
    }
    const std::int64_t total = static_cast<std::int64_t>(pcm.left.size());
    std::vector<float> interleaved(kChunkFrames * 2);
    for (std::int64_t at = 0; at < total; at += kChunkFrames) {
        const std::int64_t n = std::min(kChunkFrames, total - at);
        for (std::int64_t i = 0; i < n; ++i) {
            interleaved[2 * i] = pcm.left[at + i];
            interleaved[2 * i + 1] = pcm.right[at + i];
        }
        ebur128_add_frames_float(state, interleaved.data(), static_cast<std::size_t>(n));
    }
    ebur128_loudness_global(state, &out.integrated_lufs);
    out.true_peak_dbtp = -HUGE_VAL;
    if ((mode & EBUR128_MODE_TRUE_PEAK) == EBUR128_MODE_TRUE_PEAK) {
        double peak = 0.0;
        for (unsigned channel = 0; channel < 2; ++channel) {
            double p = 0.0;
            ebur128_true_peak(state, channel, &p);
            peak = std::max(peak, p);
        }
        out.true_peak_dbtp = 20.0 * std::log10(std::max(peak, 1e-12));
    }
    ebur128_destroy(&state);
    return out.integrated_lufs;
}
}  // namespace

Loudness measure_loudness(const StereoBuffer& pcm)
{
    Loudness l{};
    measure(pcm, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK, l);
    return l;
}

double integrated_loudness(const StereoBuffer& pcm)
{
    Loudness l{};
    return measure(pcm, EBUR128_MODE_I, l);
}

void scale(StereoBuffer& pcm, float gain)
{
    for (float& s : pcm.left) {
        s *= gain;
    }
    for (float& s : pcm.right) {
        s *= gain;
    }
}

void limit_peaks(StereoBuffer& pcm, float ceiling)
{
    const std::int64_t n = static_cast<std::int64_t>(pcm.left.size());
    // The gain each sample needs on its own.
    std::vector<float> need(n);
    for (std::int64_t i = 0; i < n; ++i) {
        const float peak = std::max(std::abs(pcm.left[i]), std::abs(pcm.right[i]));
        need[i] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Forward minimum over the look-ahead window (monotonic queue).
    std::vector<float> held(n);
    std::deque<std::int64_t> window;
    for (std::int64_t i = n - 1; i >= 0; --i) {
        while (!window.empty() && need[window.back()] >= need[i]) {
            window.pop_back();
        }
        window.push_back(i);
        while (window.front() > i + kLookAheadSamples - 1) {
            window.pop_front();
        }
        held[i] = need[window.front()];
    }
    // A slow release, never above what the window asks for.
    const float release =
        1.0f - static_cast<float>(std::exp(-1.0 / (kReleaseSeconds * kAudioRate)));
    float level = 1.0f;
    for (std::int64_t i = 0; i < n; ++i) {
        level = std::min(held[i], level + (1.0f - level) * release);
        held[i] = level;
    }
    // A moving average over the look-ahead: every value averaged into the gain at i is at or
    // below what sample i needs, so the ceiling holds and the gain moves smoothly.
    double sum = static_cast<double>(held.empty() ? 1.0f : held[0]) * kLookAheadSamples;
    for (std::int64_t i = 0; i < n; ++i) {
        sum += held[i] - held[std::max<std::int64_t>(0, i - kLookAheadSamples)];
        const float gain = static_cast<float>(sum / kLookAheadSamples);
        pcm.left[i] *= gain;
        pcm.right[i] *= gain;
    }
}

void master_track(StereoBuffer& pcm, double target_lufs, float ceiling)
{
    const StereoBuffer dry = pcm;
    // Loudness grows more slowly than gain once the limiter works, so each step follows the
    // slope of the last two (a secant step) rather than assuming one dB per dB.
    double gain_db = target_lufs - integrated_loudness(pcm);
    double last_gain_db = 0.0;
    double last_lufs = 0.0;
    for (int pass = 0; pass < kMasteringPasses; ++pass) {
        pcm = dry;
        scale(pcm, static_cast<float>(std::pow(10.0, gain_db / 20.0)));
        limit_peaks(pcm, ceiling);
        const double lufs = integrated_loudness(pcm);
        if (std::abs(target_lufs - lufs) < kLoudnessToleranceLu) {
            return;
        }
        double slope = 1.0;
        if (pass > 0 && std::abs(lufs - last_lufs) > 1e-6) {
            slope = std::clamp((lufs - last_lufs) / (gain_db - last_gain_db), 0.1, 1.0);
        }
        last_gain_db = gain_db;
        last_lufs = lufs;
        gain_db += (target_lufs - lufs) / slope;
    }
}
