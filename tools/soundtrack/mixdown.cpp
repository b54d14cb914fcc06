// Effects here are the classic designs: a comb-and-allpass room for the reverb and a
// ping-pong delay at a dotted eighth, which at 180 BPM is three quarters of a beat.
#include "mixdown.h"

#include <algorithm>  // std::min
#include <cmath>      // std::exp

namespace {
constexpr float kDuckDepth = 0.55f;
constexpr float kDuckSeconds = 0.09f;
constexpr std::int64_t kDelaySamples = kSamplesPerBeat * 3 / 4;
constexpr float kDelayFeedback = 0.38f;
constexpr float kDelayReturn = 0.7f;
constexpr float kReverbReturn = 1.0f;
constexpr float kHighPassHz = 25.0f;
constexpr double kEndFadeSeconds = 3.0;

// A room reverb: eight damped feedback combs in parallel, four allpasses in series, with the
// right channel's delays a little longer than the left's for width.
struct Comb {
    std::vector<float> line;
    std::size_t at = 0;
    float store = 0.0f;
};
struct Allpass {
    std::vector<float> line;
    std::size_t at = 0;
};
constexpr int kCombLengths[8] = {1215, 1293, 1390, 1476, 1548, 1623, 1695, 1760};
constexpr int kAllpassLengths[4] = {605, 480, 371, 245};
constexpr int kStereoSpread = 25;
constexpr float kRoomFeedback = 0.86f;
constexpr float kRoomDamping = 0.25f;
constexpr float kRoomInputGain = 0.015f;

float comb_step(Comb& c, float x)
{
    const float out = c.line[c.at];
    c.store = out * (1.0f - kRoomDamping) + c.store * kRoomDamping;
    c.line[c.at] = x + c.store * kRoomFeedback;
    c.at = (c.at + 1) % c.line.size();
    return out;
}

float allpass_step(Allpass& a, float x)
{
    const float delayed = a.line[a.at];
    a.line[a.at] = x + delayed * 0.5f;
    a.at = (a.at + 1) % a.line.size();
    return delayed - x;
}

void reverberate(StereoBuffer& send)
{
    for (int side = 0; side < 2; ++side) {
        std::vector<float>& data = side == 0 ? send.left : send.right;
        const int spread = side == 0 ? 0 : kStereoSpread;
        Comb combs[8];
        Allpass passes[4];
        for (int i = 0; i < 8; ++i) {
            combs[i].line.assign(kCombLengths[i] + spread, 0.0f);
        }
        for (int i = 0; i < 4; ++i) {
            passes[i].line.assign(kAllpassLengths[i] + spread, 0.0f);
        }
        for (float& sample : data) {
            const float in = sample * kRoomInputGain;
            float out = 0.0f;
            for (Comb& c : combs) {
                out += comb_step(c, in);
            }
            for (Allpass& a : passes) {
                out = allpass_step(a, out);
            }
            sample = out;
        }
    }
}

// Ping-pong: each repeat crosses to the other side and loses a little top.
void echo(StereoBuffer& send)
{
    const std::int64_t n = static_cast<std::int64_t>(send.left.size());
    std::vector<float> left(n, 0.0f);
    std::vector<float> right(n, 0.0f);
    float tone_left = 0.0f;
    float tone_right = 0.0f;
    for (std::int64_t i = 0; i < n; ++i) {
        const float back_left = i >= kDelaySamples ? right[i - kDelaySamples] : 0.0f;
        const float back_right = i >= kDelaySamples ? left[i - kDelaySamples] : 0.0f;
        tone_left += 0.5f * (back_left - tone_left);
        tone_right += 0.5f * (back_right - tone_right);
        left[i] = 0.5f * (send.left[i] + send.right[i]) + kDelayFeedback * tone_left;
        right[i] = kDelayFeedback * tone_right;
    }
    // The dry send itself is not part of the return: only the repeats are.
    for (std::int64_t i = 0; i < n; ++i) {
        send.left[i] = i >= kDelaySamples ? right[i - kDelaySamples] : 0.0f;
        send.right[i] = i >= kDelaySamples ? left[i - kDelaySamples] : 0.0f;
    }
}
}  // namespace

std::vector<float> kick_duck(const std::vector<Note>& notes, std::int64_t samples)
{
    std::vector<float> gain(samples, 1.0f);
    for (const Note& n : notes) {
        if (n.instrument != Instrument::kick) {
            continue;
        }
        // A 3 ms slope down keeps the dip itself from clicking.
        const std::int64_t slope = kAudioRate * 3 / 1000;
        const std::int64_t end = std::min(samples, n.start + kSamplesPerBeat);
        for (std::int64_t i = std::max<std::int64_t>(0, n.start - slope); i < end; ++i) {
            const float t = static_cast<float>(i - n.start) / kAudioRate;
            const float dip =
                t < 0.0f ? 1.0f + t * kAudioRate / slope : std::exp(-t / kDuckSeconds);
            gain[i] = std::min(gain[i], 1.0f - kDuckDepth * dip);
        }
    }
    return gain;
}

StereoBuffer mix_piece(const std::vector<Note>& notes, std::int64_t samples)
{
    Buses buses = make_buses(samples);
    for (const Note& n : notes) {
        render_note(n, buses);
    }
    reverberate(buses.reverb);
    echo(buses.delay);
    const std::vector<float> duck = kick_duck(notes, samples);

    StereoBuffer out{std::move(buses.drums.left), std::move(buses.drums.right)};
    const float high_pass = 1.0f - std::exp(-6.2831853f * kHighPassHz / kAudioRate);
    float low_left = 0.0f;
    float low_right = 0.0f;
    const std::int64_t fade_from =
        samples - static_cast<std::int64_t>(kEndFadeSeconds * kAudioRate);
    for (std::int64_t i = 0; i < samples; ++i) {
        const float wet_gain = 0.5f + 0.5f * duck[i];
        float left = out.left[i] +
                     duck[i] * (buses.music.left[i] + kDelayReturn * buses.delay.left[i]) +
                     wet_gain * kReverbReturn * buses.reverb.left[i];
        float right = out.right[i] +
                      duck[i] * (buses.music.right[i] + kDelayReturn * buses.delay.right[i]) +
                      wet_gain * kReverbReturn * buses.reverb.right[i];
        // Rumble below the kick's fundamental only costs headroom.
        low_left += high_pass * (left - low_left);
        low_right += high_pass * (right - low_right);
        left -= low_left;
        right -= low_right;
        if (i >= fade_from) {
            const float rest = static_cast<float>(samples - i) / (samples - fade_from);
            left *= rest * rest;
            right *= rest * rest;
        }
        out.left[i] = left;
        out.right[i] = right;
    }
    return out;
}
