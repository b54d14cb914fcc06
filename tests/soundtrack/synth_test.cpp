// The generator's pieces, where a fault would not show in the file's format: voices that
// start late or never fade, notes off the grid or out of key, a limiter that lets peaks by.
#include "synth.h"
#include "master.h"
#include "mixdown.h"
#include "score.h"
#include "soundtrack.h"

#include <gtest/gtest.h>

#include <algorithm>  // std::max, std::count_if
#include <cmath>      // std::abs, std::sin, std::log10
#include <set>

namespace {
constexpr Instrument kAllInstruments[] = {
    Instrument::kick,     Instrument::clap,  Instrument::snare, Instrument::closed_hat,
    Instrument::open_hat, Instrument::crash, Instrument::riser, Instrument::bass,
    Instrument::pad,      Instrument::lead,  Instrument::pluck, Instrument::bell};
constexpr std::int64_t kStart = 3 * kSamplesPerBeat;

Note test_note(Instrument instrument)
{
    return {instrument, kStart, kSamplesPerBeat, 62.0f, 1.0f, 0.7f, 7u};
}

// |left| + |right| over every bus a voice can feed, per sample.
std::vector<float> loudness_trace(const Buses& b)
{
    std::vector<float> trace(b.drums.left.size(), 0.0f);
    for (const StereoBuffer* s : {&b.drums, &b.music, &b.reverb, &b.delay}) {
        for (std::size_t i = 0; i < trace.size(); ++i) {
            trace[i] += std::abs(s->left[i]) + std::abs(s->right[i]);
        }
    }
    return trace;
}

float peak_of(const std::vector<float>& x, std::size_t from, std::size_t to)
{
    float peak = 0.0f;
    for (std::size_t i = from; i < to; ++i) {
        peak = std::max(peak, x[i]);
    }
    return peak;
}

int pitch_class(float midi)
{
    return static_cast<int>(midi + 1200.0f) % 12;
}
}  // namespace

TEST(Envelope, AttacksDecaysAndReleasesToExactlyZeroWithoutJumps)
{
    const Adsr env{0.01f, 0.1f, 0.5f, 0.2f};
    const double gate = 0.5;
    EXPECT_FLOAT_EQ(adsr_level(env, 0.0, gate), 0.0f);
    EXPECT_NEAR(adsr_level(env, 0.01, gate), 1.0f, 1e-3f);
    EXPECT_NEAR(adsr_level(env, 0.4, gate), 0.5f, 0.01f) << "sustain not reached";
    // Letting go of the key continues from where the level was.
    EXPECT_NEAR(adsr_level(env, gate - 1e-6, gate), adsr_level(env, gate + 1e-6, gate), 1e-4f);
    EXPECT_GT(adsr_level(env, gate + 0.19, gate), 0.0f);
    EXPECT_EQ(adsr_level(env, adsr_end(env, gate), gate), 0.0f);
    EXPECT_EQ(adsr_level(env, adsr_end(env, gate) + 10.0, gate), 0.0f) << "the release never ends";
    // A key let go during the attack releases from that lower level.
    EXPECT_LT(adsr_level(env, 0.006, 0.005), 0.5f);
}

TEST(Voice, EveryInstrumentStartsOnItsSampleAndHasFadedBeforeItsTailEnds)
{
    for (Instrument instrument : kAllInstruments) {
        const Note note = test_note(instrument);
        const std::int64_t tail = note_tail_samples(note);
        Buses buses = make_buses(kStart + tail + kAudioRate);
        render_note(note, buses);
        const std::vector<float> trace = loudness_trace(buses);
        const auto at = static_cast<int>(instrument);

        EXPECT_EQ(peak_of(trace, 0, kStart), 0.0f) << "instrument " << at << " sounds early";
        std::int64_t first = -1;
        for (std::int64_t i = kStart; i < kStart + tail && first < 0; ++i) {
            if (trace[i] != 0.0f) {
                first = i;
            }
        }
        // Attack curves start from zero: allow the very first samples to be silent, no more.
        ASSERT_GE(first, kStart) << "instrument " << at << " never sounds";
        EXPECT_LE(first - kStart, 2) << "instrument " << at << " starts late";

        const float peak = peak_of(trace, kStart, kStart + tail);
        const float last_ms = peak_of(trace, kStart + tail - kAudioRate / 1000, kStart + tail);
        EXPECT_LT(last_ms, peak * 0.01f) << "instrument " << at << " is cut off, not faded";
        EXPECT_EQ(peak_of(trace, kStart + tail, trace.size()), 0.0f)
            << "instrument " << at << " outlives its tail";
    }
}

TEST(Voice, KickHitsFullLevelWithinTwoMilliseconds)
{
    Note kick = test_note(Instrument::kick);
    Buses buses = make_buses(kStart + note_tail_samples(kick));
    render_note(kick, buses);
    const std::vector<float> trace = loudness_trace(buses);
    const float peak = peak_of(trace, kStart, trace.size());
    EXPECT_GT(peak_of(trace, kStart, kStart + 2 * kAudioRate / 1000), 0.5f * peak);
}

TEST(Voice, SameNoteRendersTheSameSamplesAndSeedsVaryTheNoise)
{
    Buses first = make_buses(kStart + kAudioRate);
    Buses second = make_buses(kStart + kAudioRate);
    Buses reseeded = make_buses(kStart + kAudioRate);
    Note hat = test_note(Instrument::open_hat);
    render_note(hat, first);
    render_note(hat, second);
    hat.seed = 8u;
    render_note(hat, reseeded);
    EXPECT_EQ(first.drums.left, second.drums.left);
    EXPECT_NE(first.drums.left, reseeded.drums.left);
}

TEST(Score, FollowsThePictureGridAndTheShowsMoments)
{
    const std::vector<Note> notes = compose_score();
    const std::int64_t track_end = playback_lead_samples() + encoded_samples();
    std::set<int> kicks;
    std::set<int> crashes;
    for (const Note& n : notes) {
        ASSERT_EQ(n.start % (kSamplesPerBeat / 8), 0) << "a note off the 32nd-note grid";
        EXPECT_LE(n.start + note_tail_samples(n), track_end) << "a note outlasts the file";
        if (n.instrument == Instrument::kick) {
            ASSERT_EQ(n.start % kSamplesPerBeat, 0) << "a kick off the beat";
            kicks.insert(static_cast<int>(n.start / kSamplesPerBeat));
        }
        if (n.instrument == Instrument::crash) {
            crashes.insert(static_cast<int>(n.start / kSamplesPerBeat));
        }
    }
    // Every 32-beat boundary is marked, and nothing else is.
    std::set<int> boundaries;
    for (int b = kBeatsPerPhrase; b * kSamplesPerBeat < track_end; b += kBeatsPerPhrase) {
        boundaries.insert(b);
    }
    EXPECT_EQ(crashes, boundaries);
    // The drop: silence of kicks just before, a kick on beat 128 itself.
    EXPECT_EQ(kicks.count(kDropBeat), 1u);
    for (int b = kDropBeat - 8; b < kDropBeat; ++b) {
        EXPECT_EQ(kicks.count(b), 0u) << "beat " << b;
    }
    // A breakdown without kicks between the two peaks, and the groove back before the show ends.
    const auto kicks_in = [&kicks](int from, int to) {
        return std::count_if(kicks.begin(), kicks.end(),
                             [=](int b) { return b >= from && b < to; });
    };
    EXPECT_EQ(kicks_in(256, 320), 0);
    EXPECT_EQ(kicks_in(kDropBeat, 256), 256 - kDropBeat);
    EXPECT_EQ(kicks_in(352, kShowEndBeat), kShowEndBeat - 352);
    // The music goes on past the show's last beat and then ends.
    EXPECT_GT(track_end, static_cast<std::int64_t>(kOutroBeat + kBeatsPerPhrase) * kSamplesPerBeat);
}

TEST(Score, EveryPitchedNoteIsInTheKeyOfItsSection)
{
    // D natural minor; the A major chord of the second build brings its C sharp. The last
    // phrases before the outro lift everything a whole tone, to E minor.
    const std::set<int> d_minor = {2, 4, 5, 7, 9, 10, 0};
    const int lift_beat = 480;
    for (const Note& n : compose_score()) {
        if (n.instrument != Instrument::bass && n.instrument != Instrument::pad &&
            n.instrument != Instrument::lead && n.instrument != Instrument::pluck &&
            n.instrument != Instrument::bell) {
            continue;
        }
        const int beat = static_cast<int>(n.start / kSamplesPerBeat);
        const int shift = beat >= lift_beat ? 2 : 0;
        const int pc = (pitch_class(n.pitch) - shift + 12) % 12;
        const bool dominant = pc == 1 && beat >= 320 + 24 && beat < 352;
        EXPECT_TRUE(d_minor.count(pc) == 1 || dominant)
            << "pitch " << n.pitch << " at beat " << beat << " is out of key";
    }
}

TEST(Mix, SameNotesMixToTheSameSamples)
{
    // The drop's first bar and the reverb and delay tails behind it.
    std::vector<Note> bar;
    for (const Note& n : compose_score()) {
        if (n.start >= kDropBeat * kSamplesPerBeat && n.start < (kDropBeat + 4) * kSamplesPerBeat) {
            bar.push_back(n);
        }
    }
    ASSERT_FALSE(bar.empty());
    const std::int64_t length = (kDropBeat + 8) * kSamplesPerBeat;
    const StereoBuffer first = mix_piece(bar, length);
    const StereoBuffer second = mix_piece(bar, length);
    EXPECT_EQ(first.left, second.left);
    EXPECT_EQ(first.right, second.right);
}

TEST(Mix, MusicDipsUnderEachKickAndRecoversBeforeTheNext)
{
    const std::vector<Note> kicks = {{Instrument::kick, 2 * kSamplesPerBeat, 1000, 0, 1, 0, 1},
                                     {Instrument::kick, 3 * kSamplesPerBeat, 1000, 0, 1, 0, 2}};
    const std::vector<float> gain = kick_duck(kicks, 5 * kSamplesPerBeat);
    EXPECT_EQ(gain[kSamplesPerBeat], 1.0f) << "ducked without a kick";
    for (std::int64_t beat : {2, 3}) {
        const std::int64_t at = beat * kSamplesPerBeat;
        EXPECT_LT(gain[at], 0.6f) << "no dip at beat " << beat;
        // Most of the way back up by the next beat's off-beat, where the bass plays.
        EXPECT_GT(gain[at + kSamplesPerBeat / 2], 0.9f) << "stays down after beat " << beat;
    }
    EXPECT_EQ(gain[5 * kSamplesPerBeat - 1], 1.0f) << "never recovers after the last kick";
}

TEST(Mastering, LimiterHoldsTheCeilingAndLeavesQuietMusicAlone)
{
    const std::int64_t n = kAudioRate * 2;
    StereoBuffer pcm{std::vector<float>(n), std::vector<float>(n)};
    for (std::int64_t i = 0; i < n; ++i) {
        const float tone = 0.3f * static_cast<float>(std::sin(i * 0.05));
        pcm.left[i] = tone;
        pcm.right[i] = -tone;
    }
    const StereoBuffer quiet = pcm;
    limit_peaks(pcm, 0.5f);
    EXPECT_EQ(pcm.left, quiet.left) << "a signal under the ceiling was changed";

    // Sharp spikes far above the ceiling, on one channel only.
    for (std::int64_t at : {std::int64_t{1000}, n / 2, n - 3}) {
        pcm.right[at] = 3.0f;
    }
    limit_peaks(pcm, 0.5f);
    float peak = 0.0f;
    for (std::int64_t i = 0; i < n; ++i) {
        peak = std::max({peak, std::abs(pcm.left[i]), std::abs(pcm.right[i])});
    }
    EXPECT_LE(peak, 0.5f + 1e-6f);
    // Before the first spike's look-ahead the music passes untouched.
    EXPECT_EQ(pcm.left[500], quiet.left[500]);
}

TEST(Mastering, ReachesTheTargetLoudness)
{
    // Twenty seconds of a loud, peaky test mix: a 100 Hz thump every beat over a tone.
    const std::int64_t n = kAudioRate * 20;
    StereoBuffer pcm{std::vector<float>(n), std::vector<float>(n)};
    for (std::int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i % kSamplesPerBeat) / kAudioRate;
        const double thump = std::sin(6.283185 * 100.0 * t) * std::exp(-t / 0.05);
        const double tone = 0.1 * std::sin(6.283185 * 440.0 * i / kAudioRate);
        pcm.left[i] = pcm.right[i] = static_cast<float>(2.0 * thump + tone);
    }
    master_track(pcm, -14.0, 0.8f);
    EXPECT_NEAR(integrated_loudness(pcm), -14.0, 0.1);
    const Loudness l = measure_loudness(pcm);
    EXPECT_LT(l.true_peak_dbtp, 20.0 * std::log10(0.8) + 0.5);
}
