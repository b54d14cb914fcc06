// The piece is written phrase by phrase. Each phrase picks a progression (four chords of
// eight beats) and the parts that play in it; the parts are simple pattern functions.
#include "score.h"

#include <algorithm>  // std::stable_sort, std::clamp

namespace {
constexpr std::int64_t kSixteenth = kSamplesPerBeat / 4;
constexpr int kBeatsPerChord = 8;

struct Chord {
    int pad[4];  // voicing around middle C, MIDI numbers
    int root;    // bass note
};
// D minor and its neighbours. The bass stays between A1 and G2 so it sits under the kick's
// body without fighting it.
constexpr Chord kDm{{57, 62, 65, 69}, 38};
constexpr Chord kBb{{58, 62, 65, 70}, 34};
constexpr Chord kF{{57, 60, 65, 69}, 41};
constexpr Chord kC{{55, 60, 64, 67}, 36};
constexpr Chord kGm{{55, 58, 62, 67}, 43};
constexpr Chord kA{{57, 61, 64, 69}, 33};  // the major dominant: the pull back into D minor

struct Progression {
    Chord chords[4];
};
constexpr Progression kMain{{kDm, kBb, kF, kC}};        // i VI III VII: the hook's ground
constexpr Progression kHopeful{{kBb, kF, kC, kDm}};     // the breakdown: same colours, new order
constexpr Progression kToDominant{{kGm, kBb, kC, kA}};  // the second build ends on the dominant
constexpr Progression kClosing{{kBb, kC, kDm, kDm}};

// One melody note: start and length in beats within the phrase, MIDI pitch.
struct Tone {
    float beat;
    float beats;
    int pitch;
};
// The hook: a rising pickup into a falling answer on each chord.
const std::vector<Tone> kHookA = {
    {0, 1, 69},      {1, 1, 74},      {2, 0.5, 76},    {2.5, 1, 77},    {3.5, 0.5, 76},
    {4, 1.5, 74},    {5.5, 0.5, 72},  {6, 1, 74},      {7, 1, 69},      {8, 1, 70},
    {9, 1, 74},      {10, 0.5, 76},   {10.5, 1, 77},   {11.5, 0.5, 79}, {12, 1.5, 77},
    {13.5, 0.5, 76}, {14, 1, 74},     {15, 1, 77},     {16, 1, 72},     {17, 1, 77},
    {18, 0.5, 79},   {18.5, 1, 81},   {19.5, 0.5, 79}, {20, 1.5, 77},   {21.5, 0.5, 76},
    {22, 1, 77},     {23, 1, 72},     {24, 1, 76},     {25, 1, 79},     {26, 0.5, 81},
    {26.5, 1, 79},   {27.5, 0.5, 77}, {28, 2, 76},     {30, 1, 72},     {31, 1, 76}};
// The answer: the same first three chords, then it climbs to the top and falls back home.
const std::vector<Tone> kHookB = [] {
    std::vector<Tone> tones(kHookA.begin(), kHookA.begin() + 24);
    for (Tone t : {Tone{24, 1, 76}, Tone{25, 1, 79}, Tone{26, 1, 84}, Tone{27, 0.5, 82},
                   Tone{27.5, 0.5, 81}, Tone{28, 1.5, 79}, Tone{29.5, 0.5, 81}, Tone{30, 2, 76}}) {
        tones.push_back(t);
    }
    return tones;
}();
// The breakdown's slow tune over the hopeful progression.
const std::vector<Tone> kBreakdownTune = {
    {0, 2, 77},  {2, 1, 74},  {3, 1, 72},  {4, 3, 74},  {7, 1, 77},  {8, 2, 81},  {10, 1, 79},
    {11, 1, 77}, {12, 3, 72}, {15, 1, 69}, {16, 2, 79}, {18, 1, 76}, {19, 1, 72}, {20, 2, 76},
    {22, 1, 79}, {23, 1, 81}, {24, 3, 77}, {27, 1, 76}, {28, 4, 74}};

// The goodbye over the closing progression: the breakdown's opening, answered a step higher,
// settling on the tonic.
const std::vector<Tone> kClosingTune = {
    {0, 2, 77},  {2, 1, 74},  {3, 1, 72},  {4, 3, 74},  {7, 1, 77},  {8, 2, 79},
    {10, 1, 76}, {11, 1, 72}, {12, 3, 76}, {15, 1, 79}, {16, 3, 81}, {19, 1, 79},
    {20, 2, 77}, {22, 1, 76}, {23, 1, 77}, {24, 4, 74}, {28, 4, 69}};

enum class Section {
    intro_pads,
    intro_hats,
    intro_claps,
    build,
    drop,
    calm,
    rebuild,
    peak,
    lift,
    outro_groove,
    outro_fade,
    last_chord
};

struct Phrase {
    Section section;
    const Progression* progression;
    int transpose;
};

// The piece, one entry per 32 beats; the last entry is the closing chord and its tail.
const Phrase kPhrases[] = {
    {Section::intro_pads, &kMain, 0},    {Section::intro_hats, &kMain, 0},
    {Section::intro_claps, &kMain, 0},   {Section::build, &kMain, 0},
    {Section::drop, &kMain, 0},          {Section::drop, &kMain, 0},
    {Section::drop, &kMain, 0},          {Section::drop, &kMain, 0},
    {Section::calm, &kHopeful, 0},       {Section::calm, &kHopeful, 0},
    {Section::rebuild, &kToDominant, 0}, {Section::peak, &kMain, 0},
    {Section::peak, &kMain, 0},          {Section::peak, &kMain, 0},
    {Section::peak, &kMain, 0},          {Section::lift, &kMain, 2},
    {Section::lift, &kMain, 2},          {Section::outro_groove, &kMain, 2},
    {Section::outro_fade, &kClosing, 2}, {Section::last_chord, &kClosing, 2}};

struct Writer {
    std::vector<Note> notes;
    std::uint32_t next_seed = 1;

    void add(Instrument instrument, double beat, double beats, float pitch, float velocity,
             float brightness)
    {
        const auto start = static_cast<std::int64_t>(beat * 4.0 + 0.5) * kSixteenth;
        const auto length = static_cast<std::int64_t>(beats * kSamplesPerBeat + 0.5);
        notes.push_back({instrument, start, length, pitch, velocity,
                         std::clamp(brightness, 0.0f, 1.0f), next_seed++});
    }
};

bool grooves(Section s)
{
    return s == Section::drop || s == Section::peak || s == Section::lift ||
           s == Section::outro_groove;
}

bool kick_plays(Section s, int beat_in_phrase, int first_beat)
{
    switch (s) {
        case Section::intro_pads:
            return first_beat + beat_in_phrase >= 4;  // a bar of air first
        case Section::intro_hats:
        case Section::intro_claps:
            return true;
        case Section::build:
            return beat_in_phrase < 24;  // eight beats of held breath
        case Section::rebuild:
            return beat_in_phrase >= 16 && beat_in_phrase < 28;
        case Section::outro_fade:
            return beat_in_phrase < 16;
        case Section::calm:
        case Section::last_chord:
            return false;
        default:
            return grooves(s);
    }
}

// How far the filters are open at a point of the phrase (0..1 over the phrase).
float brightness_at(Section s, float progress)
{
    switch (s) {
        case Section::intro_pads:
            return 0.12f + 0.15f * progress;
        case Section::intro_hats:
            return 0.3f + 0.15f * progress;
        case Section::intro_claps:
            return 0.45f + 0.15f * progress;
        case Section::build:
            return 0.6f + 0.4f * progress;
        case Section::calm:
            return 0.45f;
        case Section::rebuild:
            return 0.4f + 0.6f * progress;
        case Section::outro_groove:
            return 0.7f - 0.3f * progress;
        case Section::outro_fade:
            return 0.4f - 0.25f * progress;
        case Section::last_chord:
            return 0.15f;
        case Section::lift:
            return 0.9f;
        default:
            return 0.75f;
    }
}

void write_drums(Writer& w, const Phrase& p, int first, bool mark)
{
    const Section s = p.section;
    for (int b = 0; b < kBeatsPerPhrase; ++b) {
        const int beat = first + b;
        if (kick_plays(s, b, first)) {
            w.add(Instrument::kick, beat, 0.25, 0, 1.0f, 0);
        }
        const bool hats = s == Section::intro_hats || s == Section::intro_claps ||
                          s == Section::build || grooves(s) || (s == Section::rebuild && b >= 16);
        if (hats) {
            w.add(Instrument::open_hat, beat + 0.5, 0.25, 0, s == Section::intro_hats ? 0.6f : 0.8f,
                  0);
            if (s != Section::intro_hats) {
                w.add(Instrument::closed_hat, beat + 0.25, 0.1, 0, 0.45f, 0);
                w.add(Instrument::closed_hat, beat + 0.75, 0.1, 0, 0.55f, 0);
            }
        }
        if (s == Section::calm && first / kBeatsPerPhrase % 2 == 1) {
            w.add(Instrument::closed_hat, beat + 0.5, 0.1, 0, 0.35f, 0);
        }
        const bool claps =
            s == Section::intro_claps || grooves(s) || (s == Section::build && b < 24);
        if (claps && b % 2 == 1) {
            w.add(Instrument::clap, beat, 0.25, 0, 0.85f, 0);
        }
    }
    // Every phrase boundary is heard: a crash on its first beat, a fill into it.
    if (mark) {
        const bool loud = grooves(s) || s == Section::intro_claps;
        w.add(Instrument::crash, first, 4, 0, loud ? 1.0f : 0.6f, 0);
    }
    if (s == Section::build || s == Section::rebuild) {
        // The roll doubles its rate every few bars while it climbs in pitch and level.
        struct Step {
            int from, to, per_beat;
        };
        for (Step st : {Step{0, 16, 1}, Step{16, 24, 2}, Step{24, 28, 4}, Step{28, 32, 8}}) {
            for (int b = st.from; b < st.to; ++b) {
                for (int k = 0; k < st.per_beat; ++k) {
                    const float progress = (b + static_cast<float>(k) / st.per_beat) / 32.0f;
                    w.add(Instrument::snare, first + b + static_cast<double>(k) / st.per_beat, 0.1,
                          0, 0.3f + 0.5f * progress, progress);
                }
            }
        }
        w.add(Instrument::riser, first, kBeatsPerPhrase, 0, 1.0f, 0);
    } else if (grooves(s) || s == Section::intro_claps) {
        for (int k = 0; k < 6; ++k) {
            w.add(Instrument::snare, first + 30.5 + k * 0.25, 0.1, 0, 0.5f + 0.08f * k, 0.5f);
        }
    }
}

void write_harmony(Writer& w, const Phrase& p, int first)
{
    const Section s = p.section;
    for (int c = 0; c < 4; ++c) {
        const Chord& chord = p.progression->chords[c];
        const int chord_beat = first + c * kBeatsPerChord;
        const float bright = brightness_at(s, (c + 0.5f) / 4.0f);
        if (s == Section::last_chord && c > 0) {
            break;
        }
        const double gate = s == Section::last_chord ? 5.0 : kBeatsPerChord;
        for (int v = 0; v < 4; ++v) {
            w.add(Instrument::pad, chord_beat, gate, chord.pad[v] + p.transpose,
                  s == Section::drop || s == Section::peak || s == Section::lift ? 0.8f : 1.0f,
                  bright);
        }
        // Bass: off-beats in the intro, a rolling line once the groove is on.
        const bool rolling = grooves(s) || s == Section::build || (s == Section::rebuild && c >= 2);
        const bool offbeat = s == Section::intro_hats || s == Section::intro_claps;
        for (int b = 0; b < kBeatsPerChord && (rolling || offbeat); ++b) {
            const int beat = chord_beat + b;
            // The bass leaves with the kick for the last bars of a build.
            if ((s == Section::build || s == Section::rebuild) && beat - first >= 24) {
                break;
            }
            const int root = chord.root + p.transpose;
            if (rolling) {
                w.add(Instrument::bass, beat + 0.25, 0.18, root, 0.9f, bright * 0.6f);
                w.add(Instrument::bass, beat + 0.5, 0.18, root + (b % 4 == 3 ? 12 : 0), 1.0f,
                      bright * 0.6f);
                w.add(Instrument::bass, beat + 0.75, 0.18, root, 0.9f, bright * 0.6f);
            } else {
                w.add(Instrument::bass, beat + 0.5, 0.35, root, 0.9f, bright * 0.5f);
            }
        }
        // Arpeggio of the chord, an octave up, in sixteenths.
        const bool arp = s == Section::intro_claps || s == Section::build ||
                         s == Section::rebuild || s == Section::peak || s == Section::lift ||
                         s == Section::outro_groove ||
                         (s == Section::calm && first / kBeatsPerPhrase % 2 == 1) ||
                         (s == Section::drop && first >= kDropBeat + 2 * kBeatsPerPhrase);
        // Quieter where it joins a part already playing, so it reads as growth, not a change.
        const float arp_velocity = s == Section::calm ? 0.5f : (s == Section::drop ? 0.6f : 0.8f);
        constexpr int kArpOrder[8] = {0, 1, 2, 3, 1, 2, 3, 2};
        for (int step = 0; arp && step < kBeatsPerChord * 4; ++step) {
            const int pitch = chord.pad[kArpOrder[step % 8]] + 12 + p.transpose;
            w.add(Instrument::pluck, chord_beat + step * 0.25, 0.2, pitch, arp_velocity, bright);
        }
    }
}

void write_melody(Writer& w, const Phrase& p, int first, int phrase_index)
{
    const Section s = p.section;
    const std::vector<Tone>* tune = nullptr;
    Instrument voice = Instrument::lead;
    if (s == Section::drop || s == Section::peak || s == Section::lift) {
        tune = phrase_index % 2 == 0 ? &kHookA : &kHookB;
    } else if (s == Section::calm) {
        tune = &kBreakdownTune;
        voice = Instrument::bell;
    } else if (s == Section::outro_fade) {
        tune = &kClosingTune;
        voice = Instrument::bell;
    }
    if (tune == nullptr) {
        return;
    }
    const bool first_drop_phrase = s == Section::drop && first == kDropBeat;
    for (const Tone& t : *tune) {
        // The first drop phrase leaves the pickup out so the hook lands with the drop.
        if (first_drop_phrase && t.beat < 1.0f) {
            continue;
        }
        const float bright = s == Section::drop && first == kDropBeat ? 0.5f + t.beat / 64.0f
                                                                      : brightness_at(s, 0.5f);
        w.add(voice, first + t.beat, t.beats * 0.9, t.pitch + p.transpose, 1.0f, bright);
        if (s == Section::peak && phrase_index >= 13) {
            // The last half of the second peak doubles the hook an octave down for weight.
            w.add(voice, first + t.beat, t.beats * 0.9, t.pitch - 12 + p.transpose, 0.7f, bright);
        }
    }
}
}  // namespace

std::vector<Note> compose_score()
{
    Writer w;
    int index = 0;
    for (const Phrase& p : kPhrases) {
        const int first = index * kBeatsPerPhrase;
        write_drums(w, p, first, index > 0);
        write_harmony(w, p, first);
        write_melody(w, p, first, index);
        ++index;
    }
    std::stable_sort(w.notes.begin(), w.notes.end(),
                     [](const Note& a, const Note& b) { return a.start < b.start; });
    return w.notes;
}

std::vector<int> kick_beats(const std::vector<Note>& notes)
{
    std::vector<int> beats;
    for (const Note& n : notes) {
        if (n.instrument == Instrument::kick) {
            beats.push_back(static_cast<int>(n.start / kSamplesPerBeat));
        }
    }
    return beats;
}
