// The generator's pieces, where a fault would not show in the file's format: voices that
// start late or never fade, kicks in the wrong sections, notes off the grid, music that does
// not dip under the kick, a limiter that lets peaks by.
#include "synth.h"
#include "master.h"
#include "mixdown.h"
#include "score.h"
#include "soundtrack.h"

#include <gtest/gtest.h>

#include <algorithm>  // std::max, std::max_element
#include <cmath>      // std::abs, std::sin, std::exp, std::log10
#include <iterator>   // std::size
#include <set>

namespace {
constexpr std::int64_t kStart = 3 * kSamplesPerBeat;
constexpr std::int64_t kMs = kAudioRate / 1000;

float peak_of(const std::vector<float>& x, std::int64_t from, std::int64_t to)
{
    return from < to ? *std::max_element(x.begin() + from, x.begin() + to) : 0.0f;
}

// The beats of each 32-beat phrase that carry a kick, from and to.
constexpr int kKicks[][2] = {
    {4, 32}, {0, 32}, {0, 32},  {0, 24},  // intro, build (its last eight beats held)
    {0, 32}, {0, 32}, {0, 32},  {0, 32},  // drop
    {0, 0},  {0, 0},  {16, 28},           // breakdown
    {0, 32}, {0, 32}, {0, 32},  {0, 32},  // second peak
    {0, 32}, {0, 32}, {0, 32},            // lift, outro
    {0, 16}, {0, 0}};
}  // namespace

TEST(Voice, EveryInstrumentStartsOnItsSampleAndHasFadedBeforeItsTailEnds)
{
    for (int k = 0; k <= static_cast<int>(Instrument::bell); ++k) {
        Note note{static_cast<Instrument>(k), kStart, kSamplesPerBeat, 62.0f, 1.0f, 0.7f, 7u};
        const std::int64_t tail = note_tail_samples(note);
        Buses buses = make_buses(kStart + tail + kAudioRate);
        render_note(note, buses);
        // |left| + |right| over every bus the voice can feed.
        std::vector<float> trace(buses.drums.left.size(), 0.0f);
        for (const StereoBuffer* s : {&buses.drums, &buses.music, &buses.reverb, &buses.delay}) {
            for (std::size_t i = 0; i < trace.size(); ++i) {
                trace[i] += std::abs(s->left[i]) + std::abs(s->right[i]);
            }
        }
        const float peak = peak_of(trace, kStart, kStart + tail);
        EXPECT_EQ(peak_of(trace, 0, kStart), 0.0f) << "instrument " << k << " sounds early";
        // Attack curves start from zero: the first two samples may be silent, no more.
        EXPECT_GT(peak_of(trace, kStart, kStart + 3), 0.0f) << "instrument " << k << " is late";
        EXPECT_LT(peak_of(trace, kStart + tail - kMs, kStart + tail), peak * 0.01f)
            << "instrument " << k << " is cut off, not faded";
        EXPECT_EQ(peak_of(trace, kStart + tail, trace.size()), 0.0f)
            << "instrument " << k << " outlives its tail";
    }
}

TEST(Score, EachPhrasePlaysItsKicksOnThePicturesGrid)
{
    const std::vector<Note> notes = compose_score();
    const std::int64_t track_end = playback_lead_samples() + encoded_samples();
    constexpr int kPhrases = static_cast<int>(std::size(kKicks));
    std::set<int> kicks[kPhrases];
    std::set<int> crashes;
    for (const Note& n : notes) {
        ASSERT_EQ(n.start % (kSamplesPerBeat / 8), 0) << "a note off the 32nd-note grid";
        EXPECT_LE(n.start + note_tail_samples(n), track_end) << "a note outlasts the file";
        const int beat = static_cast<int>(n.start / kSamplesPerBeat);
        const int phrase = beat / kBeatsPerPhrase;
        ASSERT_LT(phrase, kPhrases);
        if (n.instrument == Instrument::kick) {
            ASSERT_EQ(n.start % kSamplesPerBeat, 0) << "a kick off the beat";
            kicks[phrase].insert(beat % kBeatsPerPhrase);
        } else if (n.instrument == Instrument::crash) {
            EXPECT_TRUE(crashes.insert(beat).second) << "two crashes on beat " << beat;
            EXPECT_EQ(n.start,
                      static_cast<std::int64_t>(phrase) * kBeatsPerPhrase * kSamplesPerBeat)
                << "a crash off its phrase's first beat";
        }
    }
    EXPECT_EQ(crashes.size(), kPhrases - 1u) << "every phrase but the first opens with a crash";
    for (int p = 0; p < kPhrases; ++p) {
        std::set<int> expected_kicks;
        for (int b = kKicks[p][0]; b < kKicks[p][1]; ++b) {
            expected_kicks.insert(b);
        }
        EXPECT_EQ(kicks[p], expected_kicks)
            << "kicks of the phrase at beat " << p * kBeatsPerPhrase;
    }
    // The drop, the show's end and the outro sit where the picture expects them.
    EXPECT_EQ(kicks[kDropBeat / kBeatsPerPhrase - 1].count(kBeatsPerPhrase - 1), 0u);
    EXPECT_EQ(kicks[kDropBeat / kBeatsPerPhrase].count(0), 1u);
    EXPECT_FALSE(kicks[kShowEndBeat / kBeatsPerPhrase].empty()) << "the show ends in silence";
    EXPECT_GT(track_end, static_cast<std::int64_t>(kOutroBeat + kBeatsPerPhrase) * kSamplesPerBeat);
}

TEST(Mix, TheMusicDipsUnderEachKick)
{
    const std::vector<Note> kicks = {{Instrument::kick, 2 * kSamplesPerBeat, 1000, 0, 1, 0, 1},
                                     {Instrument::kick, 3 * kSamplesPerBeat, 1000, 0, 1, 0, 2}};
    const std::vector<float> gain = kick_duck(kicks, 5 * kSamplesPerBeat);
    EXPECT_EQ(gain[kSamplesPerBeat], 1.0f) << "ducked without a kick";
    for (std::int64_t beat : {2, 3}) {
        const std::int64_t at = beat * kSamplesPerBeat;
        EXPECT_LT(gain[at], 0.6f) << "no dip at beat " << beat;
        // Most of the way back up by the off-beat, where the bass plays.
        EXPECT_GT(gain[at + kSamplesPerBeat / 2], 0.9f) << "stays down after beat " << beat;
    }
    EXPECT_EQ(gain[5 * kSamplesPerBeat - 1], 1.0f) << "never recovers after the last kick";
}

TEST(Mastering, LimiterHoldsTheCeiling)
{
    // A quiet tone passes untouched; spikes on one channel are held under the ceiling.
    const std::int64_t n = 2 * kAudioRate;
    StereoBuffer pcm{std::vector<float>(n), std::vector<float>(n)};
    for (std::int64_t i = 0; i < n; ++i) {
        pcm.left[i] = 0.3f * static_cast<float>(std::sin(i * 0.05));
        pcm.right[i] = -pcm.left[i];
    }
    const StereoBuffer quiet = pcm;
    limit_peaks(pcm, 0.5f);
    EXPECT_EQ(pcm.left, quiet.left) << "a signal under the ceiling was changed";
    for (std::int64_t at : {std::int64_t{1000}, n / 2, n - 3}) {
        pcm.right[at] = 3.0f;
    }
    limit_peaks(pcm, 0.5f);
    float peak = 0.0f;
    for (std::int64_t i = 0; i < n; ++i) {
        peak = std::max({peak, std::abs(pcm.left[i]), std::abs(pcm.right[i])});
    }
    EXPECT_LE(peak, 0.5f + 1e-6f);
    EXPECT_EQ(pcm.left[500], quiet.left[500]) << "limited before the look-ahead";
}
