// Voices are rendered one note at a time straight into their bus: no voice allocation and
// no shared state, which is what makes the piece reproducible sample for sample.
#include "synth.h"

#include <algorithm>  // std::min, std::max, std::clamp
#include <cmath>      // std::sin, std::exp, std::tan, std::tanh, std::pow

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;

float seconds(std::int64_t samples)
{
    return static_cast<float>(samples) / kAudioRate;
}

std::int64_t samples_of(double secs)
{
    return static_cast<std::int64_t>(std::ceil(secs * kAudioRate));
}

// Adds one stereo sample to a bus at an absolute position, ignoring positions past its end.
void put(StereoBuffer& bus, std::int64_t at, float left, float right)
{
    if (at < 0 || at >= static_cast<std::int64_t>(bus.left.size())) {
        return;
    }
    bus.left[at] += left;
    bus.right[at] += right;
}

// The metallic part of hats and cymbals: square waves at inharmonic ratios.
struct Metal {
    double phase[6] = {0, 0, 0, 0, 0, 0};
};
constexpr double kMetalHz[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};

float metal_next(Metal& m, float scale)
{
    float sum = 0.0f;
    for (int i = 0; i < 6; ++i) {
        m.phase[i] += kMetalHz[i] * scale / kAudioRate;
        m.phase[i] -= std::floor(m.phase[i]);
        sum += m.phase[i] < 0.5 ? 1.0f : -1.0f;
    }
    return sum / 6.0f;
}

// Equal-power pan, position in [-1, 1].
void pan_gains(float position, float& left, float& right)
{
    const double angle = (position + 1.0) * kPi / 4.0;
    left = static_cast<float>(std::cos(angle));
    right = static_cast<float>(std::sin(angle));
}

// Detune spread of the supersaw voices, in semitones, and where each one sits.
constexpr float kSpreadSemis[7] = {-0.19f, -0.11f, -0.04f, 0.0f, 0.04f, 0.11f, 0.19f};
constexpr float kSpreadPan[7] = {-0.9f, 0.6f, -0.3f, 0.0f, 0.3f, -0.6f, 0.9f};

// Per-note lengths of the fixed-length voices, in seconds.
constexpr double kKickSeconds = 0.42;
constexpr double kClapSeconds = 0.35;
constexpr double kSnareSeconds = 0.25;
constexpr double kCrashSeconds = 2.4;
constexpr double kBellSeconds = 3.0;
constexpr double kRiserFadeSeconds = 0.05;

constexpr Adsr kBassEnv{0.001f, 0.08f, 0.75f, 0.02f};
constexpr Adsr kPluckEnv{0.001f, 0.18f, 0.0f, 0.05f};

// The two hats share one voice; the open one is darker, rings longer and sits the other side.
struct HatVoice {
    float cutoff_hz;
    float decay_seconds;
    double seconds;  // from the hit to silence
    float pan;
};
constexpr HatVoice kClosedHat{8000.0f, 0.014f, 0.06, -0.25f};
constexpr HatVoice kOpenHat{7000.0f, 0.07f, 0.3, 0.15f};

// The chords and the lead are the same detuned saw stack. The pad uses five of the seven
// saws, so it stays narrower than the lead; only the lead gets the opening filter and the
// vibrato, and the tempo delay.
struct SupersawVoice {
    Adsr env;
    int saws;
    float level;
    float reverb_send;
    float delay_send;
    bool lead;
};
constexpr SupersawVoice kPadVoice{{0.35f, 0.8f, 0.8f, 0.9f}, 5, 0.1f, 0.35f, 0.0f, false};
constexpr SupersawVoice kLeadVoice{{0.004f, 0.25f, 0.7f, 0.18f}, 7, 0.16f, 0.3f, 0.3f, true};

// A fade to exactly zero over the last part of a fixed-length voice.
float tail_fade(float t, float total)
{
    const float left = 1.0f - t / total;
    return left <= 0.0f ? 0.0f : std::min(1.0f, left * 8.0f);
}

void render_kick(const Note& n, Buses& b)
{
    Noise noise = noise_seeded(n.seed);
    double phase = 0.0;
    const std::int64_t total = note_tail_samples(n);
    for (std::int64_t i = 0; i < total; ++i) {
        const float t = seconds(i);
        const double hz = 50.0 + 140.0 * std::exp(-t / 0.03) + 400.0 * std::exp(-t / 0.0025);
        phase += hz / kAudioRate;
        const float body = static_cast<float>(std::sin(kTwoPi * phase)) * std::exp(-t / 0.12f);
        const float click = noise_next(noise) * 0.35f * std::exp(-t / 0.0012f);
        const float x = std::tanh(1.6f * (body + click)) * 0.75f * n.velocity *
                        tail_fade(t, static_cast<float>(kKickSeconds));
        put(b.drums, n.start + i, x, x);
    }
}

void render_clap(const Note& n, Buses& b)
{
    Noise noise = noise_seeded(n.seed);
    Svf band;
    svf_tune(band, 1500.0f, 0.3f);
    const std::int64_t total = note_tail_samples(n);
    for (std::int64_t i = 0; i < total; ++i) {
        const float t = seconds(i);
        float env = 0.0f;
        for (float burst : {0.0f, 0.009f, 0.018f}) {
            if (t >= burst) {
                env += std::exp(-(t - burst) / 0.004f);
            }
        }
        if (t >= 0.027f) {
            env += 0.8f * std::exp(-(t - 0.027f) / 0.09f);
        }
        const float x = svf_step(band, noise_next(noise)).band * env * 1.4f * n.velocity *
                        tail_fade(t, static_cast<float>(kClapSeconds));
        put(b.drums, n.start + i, x, x);
        put(b.reverb, n.start + i, 0.25f * x, 0.25f * x);
    }
}

void render_snare(const Note& n, Buses& b)
{
    Noise noise = noise_seeded(n.seed);
    Svf band;
    svf_tune(band, 2500.0f + 3000.0f * n.brightness, 0.2f);
    const double tone_hz = 185.0 + 120.0 * n.brightness;
    const std::int64_t total = note_tail_samples(n);
    for (std::int64_t i = 0; i < total; ++i) {
        const float t = seconds(i);
        const float tone =
            static_cast<float>(std::sin(kTwoPi * tone_hz * t)) * 0.5f * std::exp(-t / 0.05f);
        const float rattle = svf_step(band, noise_next(noise)).band * 1.2f * std::exp(-t / 0.09f);
        const float x =
            (tone + rattle) * 0.4f * n.velocity * tail_fade(t, static_cast<float>(kSnareSeconds));
        put(b.drums, n.start + i, x, x);
        put(b.reverb, n.start + i, 0.2f * x, 0.2f * x);
    }
}

void render_hat(const Note& n, Buses& b, const HatVoice& hat)
{
    Noise noise = noise_seeded(n.seed);
    Metal metal;
    Svf high;
    svf_tune(high, hat.cutoff_hz, 0.1f);
    const float decay = hat.decay_seconds;
    const float total_seconds = static_cast<float>(hat.seconds);
    float left_gain = 0.0f;
    float right_gain = 0.0f;
    pan_gains(hat.pan, left_gain, right_gain);
    const std::int64_t total = note_tail_samples(n);
    for (std::int64_t i = 0; i < total; ++i) {
        const float t = seconds(i);
        const float source = 0.7f * noise_next(noise) + 0.5f * metal_next(metal, 1.0f);
        const float x = svf_step(high, source).high * std::exp(-t / decay) * 0.38f * n.velocity *
                        tail_fade(t, total_seconds);
        put(b.drums, n.start + i, x * left_gain, x * right_gain);
    }
}

void render_crash(const Note& n, Buses& b)
{
    Noise noise_left = noise_seeded(n.seed);
    Noise noise_right = noise_seeded(n.seed ^ 0x5bd1e995u);
    Metal metal;
    Svf high_left;
    Svf high_right;
    svf_tune(high_left, 4500.0f, 0.1f);
    svf_tune(high_right, 4500.0f, 0.1f);
    // The top octave of white noise is mostly hiss: roll it off so the wash stays silver.
    const float top = 1.0f - std::exp(-6.2831853f * 9000.0f / kAudioRate);
    float top_left = 0.0f;
    float top_right = 0.0f;
    const std::int64_t total = note_tail_samples(n);
    for (std::int64_t i = 0; i < total; ++i) {
        const float t = seconds(i);
        const float env = std::min(1.0f, t / 0.001f) * std::exp(-t / 0.6f) *
                          tail_fade(t, static_cast<float>(kCrashSeconds)) * 0.3f * n.velocity;
        const float ring = 0.3f * metal_next(metal, 1.7f);
        top_left += top * (svf_step(high_left, noise_next(noise_left) + ring).high - top_left);
        top_right += top * (svf_step(high_right, noise_next(noise_right) + ring).high - top_right);
        const float left = top_left * env;
        const float right = top_right * env;
        put(b.drums, n.start + i, left, right);
        put(b.reverb, n.start + i, 0.2f * left, 0.2f * right);
    }
}

// A noise sweep that rises over its whole gate into the next section.
void render_riser(const Note& n, Buses& b)
{
    Noise noise_left = noise_seeded(n.seed);
    Noise noise_right = noise_seeded(n.seed ^ 0x27d4eb2du);
    Svf band_left;
    Svf band_right;
    const float gate = seconds(n.length);
    const std::int64_t total = note_tail_samples(n);
    for (std::int64_t i = 0; i < total; ++i) {
        const float t = seconds(i);
        const float p = std::min(1.0f, t / gate);
        if (i % 32 == 0) {
            const float cutoff = 400.0f * std::pow(2.0f, 5.0f * p * std::sqrt(p));
            svf_tune(band_left, cutoff, 0.5f);
            svf_tune(band_right, cutoff, 0.5f);
        }
        float env = p * p * 0.2f * n.velocity;
        if (t > gate) {
            env *= std::max(0.0f, 1.0f - (t - gate) / static_cast<float>(kRiserFadeSeconds));
        }
        const float left = svf_step(band_left, noise_next(noise_left)).band * env;
        const float right = svf_step(band_right, noise_next(noise_right)).band * env;
        put(b.drums, n.start + i, left, right);
        put(b.reverb, n.start + i, 0.3f * left, 0.3f * right);
    }
}

void render_bass(const Note& n, Buses& b)
{
    const double hz = note_hz(n.pitch);
    double phase_a = 0.0;
    double phase_b = 0.37;
    Svf low;
    const float gate = seconds(n.length);
    const std::int64_t total = note_tail_samples(n);
    for (std::int64_t i = 0; i < total; ++i) {
        const float t = seconds(i);
        if (i % 16 == 0) {
            svf_tune(low, 120.0f + (250.0f + 2500.0f * n.brightness) * std::exp(-t / 0.07f), 0.35f);
        }
        const float saws = 0.5f * (saw_blep(phase_a, hz * 1.003 / kAudioRate) +
                                   saw_blep(phase_b, hz * 0.997 / kAudioRate));
        const float sub = static_cast<float>(std::sin(kTwoPi * hz * t));
        const float x = (svf_step(low, saws).low + 0.6f * sub) * adsr_level(kBassEnv, t, gate) *
                        0.42f * n.velocity;
        put(b.music, n.start + i, x, x);
    }
}

// Detuned sawtooth stacks, shared by the chords and the lead. The lead gets a brighter filter
// that opens further at each note's start, and a vibrato that grows in once the note is held.
void render_supersaw(const Note& n, Buses& b, const SupersawVoice& voice)
{
    const bool lead = voice.lead;
    const double hz = note_hz(n.pitch);
    const int first = (7 - voice.saws) / 2;
    double phase[7];
    float left_gain[7];
    float right_gain[7];
    double increment[7];
    Noise start_phases = noise_seeded(n.seed);
    for (int v = 0; v < 7; ++v) {
        increment[v] = hz * std::pow(2.0, kSpreadSemis[v] / 12.0) / kAudioRate;
        phase[v] = 0.5 + 0.5 * noise_next(start_phases);
        pan_gains(kSpreadPan[v], left_gain[v], right_gain[v]);
    }
    Svf low_left;
    Svf low_right;
    const float gate = seconds(n.length);
    const float base_cutoff =
        lead ? 1800.0f + 5000.0f * n.brightness : 400.0f + 6000.0f * n.brightness * n.brightness;
    const std::int64_t total = note_tail_samples(n);
    for (std::int64_t i = 0; i < total; ++i) {
        const float t = seconds(i);
        if (i % 32 == 0) {
            const float cutoff = lead ? base_cutoff + 3000.0f * std::exp(-t / 0.1f) : base_cutoff;
            svf_tune(low_left, cutoff, 0.2f);
            svf_tune(low_right, cutoff, 0.2f);
        }
        double bend = 1.0;
        if (lead && t > 0.2f) {
            const double depth = 0.15 * std::min(1.0, (t - 0.2) / 0.3);
            bend = std::pow(2.0, depth * std::sin(kTwoPi * 5.5 * t) / 12.0);
        }
        float left = 0.0f;
        float right = 0.0f;
        for (int v = first; v < first + voice.saws; ++v) {
            const float s = saw_blep(phase[v], increment[v] * bend);
            left += s * left_gain[v];
            right += s * right_gain[v];
        }
        const float amp = adsr_level(voice.env, t, gate) * voice.level * n.velocity;
        left = svf_step(low_left, left).low * amp;
        right = svf_step(low_right, right).low * amp;
        put(b.music, n.start + i, left, right);
        put(b.reverb, n.start + i, voice.reverb_send * left, voice.reverb_send * right);
        put(b.delay, n.start + i, voice.delay_send * left, voice.delay_send * right);
    }
}

void render_pluck(const Note& n, Buses& b)
{
    const double hz = note_hz(n.pitch);
    double saw_phase = 0.0;
    double square_phase = 0.25;
    Svf low;
    float left_gain = 0.0f;
    float right_gain = 0.0f;
    pan_gains((n.seed & 1u) ? 0.35f : -0.35f, left_gain, right_gain);
    const float gate = seconds(n.length);
    const std::int64_t total = note_tail_samples(n);
    for (std::int64_t i = 0; i < total; ++i) {
        const float t = seconds(i);
        if (i % 16 == 0) {
            svf_tune(low, 200.0f + (600.0f + 5000.0f * n.brightness) * std::exp(-t / 0.06f), 0.45f);
        }
        square_phase += hz * 1.004 / kAudioRate;
        square_phase -= std::floor(square_phase);
        const float source =
            saw_blep(saw_phase, hz / kAudioRate) + 0.4f * (square_phase < 0.5 ? 1.0f : -1.0f);
        const float x =
            svf_step(low, source).low * adsr_level(kPluckEnv, t, gate) * 0.28f * n.velocity;
        put(b.music, n.start + i, x * left_gain, x * right_gain);
        put(b.delay, n.start + i, 0.35f * x * left_gain, 0.35f * x * right_gain);
    }
}

// Two-operator FM: a glassy bell for the quiet part.
void render_bell(const Note& n, Buses& b)
{
    const double hz = note_hz(n.pitch);
    const std::int64_t total = note_tail_samples(n);
    for (std::int64_t i = 0; i < total; ++i) {
        const float t = seconds(i);
        const double index = 2.5 * std::exp(-t / 0.3);
        const double modulator = std::sin(kTwoPi * 2.0 * hz * t) * index;
        const float x = static_cast<float>(std::sin(kTwoPi * hz * t + modulator)) *
                        std::min(1.0f, t / 0.002f) * std::exp(-t / 1.2f) *
                        tail_fade(t, static_cast<float>(kBellSeconds)) * 0.17f * n.velocity;
        put(b.music, n.start + i, x, x);
        put(b.reverb, n.start + i, 0.45f * x, 0.45f * x);
        put(b.delay, n.start + i, 0.3f * x, 0.3f * x);
    }
}
}  // namespace

Buses make_buses(std::int64_t samples)
{
    Buses b;
    for (StereoBuffer* s : {&b.drums, &b.music, &b.reverb, &b.delay}) {
        s->left.assign(samples, 0.0f);
        s->right.assign(samples, 0.0f);
    }
    return b;
}

float adsr_level(const Adsr& env, double t, double gate)
{
    if (t < 0.0) {
        return 0.0f;
    }
    auto held = [&env](double u) {
        if (u < env.attack) {
            return u / env.attack;
        }
        u -= env.attack;
        // exp(-4.6) is 1 %: the decay has settled by its nominal time.
        return env.sustain + (1.0 - env.sustain) * std::exp(-u * 4.6 / env.decay);
    };
    if (t < gate) {
        return static_cast<float>(held(t));
    }
    const double r = (t - gate) / env.release;
    if (r >= 1.0) {
        return 0.0f;
    }
    return static_cast<float>(held(gate) * (1.0 - r) * (1.0 - r));
}

double adsr_end(const Adsr& env, double gate)
{
    return gate + env.release;
}

void svf_tune(Svf& f, float cutoff_hz, float resonance)
{
    const float hz = std::clamp(cutoff_hz, 20.0f, 0.45f * kAudioRate);
    const float g = static_cast<float>(std::tan(kPi * hz / kAudioRate));
    f.k = std::max(0.05f, 2.0f - 2.0f * resonance);
    f.a1 = 1.0f / (1.0f + g * (g + f.k));
    f.a2 = g * f.a1;
    f.a3 = g * f.a2;
}

SvfOut svf_step(Svf& f, float x)
{
    const float v3 = x - f.ic2;
    const float v1 = f.a1 * f.ic1 + f.a2 * v3;
    const float v2 = f.ic2 + f.a2 * f.ic1 + f.a3 * v3;
    f.ic1 = 2.0f * v1 - f.ic1;
    f.ic2 = 2.0f * v2 - f.ic2;
    return {v2, v1, x - f.k * v1 - v2};
}

Noise noise_seeded(std::uint32_t seed)
{
    return {(seed * 2654435761u + 0x9e3779b9u) | 1u};
}

float noise_next(Noise& n)
{
    n.state ^= n.state << 13;
    n.state ^= n.state >> 17;
    n.state ^= n.state << 5;
    return static_cast<float>(n.state) * (2.0f / 4294967296.0f) - 1.0f;
}

float note_hz(float midi)
{
    return 440.0f * std::pow(2.0f, (midi - 69.0f) / 12.0f);
}

float saw_blep(double& phase, double increment)
{
    double t = phase;
    double value = 2.0 * t - 1.0;
    if (t < increment) {
        t /= increment;
        value -= t + t - t * t - 1.0;
    } else if (t > 1.0 - increment) {
        t = (t - 1.0) / increment;
        value -= t * t + t + t + 1.0;
    }
    phase += increment;
    phase -= std::floor(phase);
    return static_cast<float>(value);
}

std::int64_t note_tail_samples(const Note& note)
{
    const double gate = seconds(note.length);
    switch (note.instrument) {
        case Instrument::kick:
            return samples_of(kKickSeconds);
        case Instrument::clap:
            return samples_of(kClapSeconds);
        case Instrument::snare:
            return samples_of(kSnareSeconds);
        case Instrument::closed_hat:
            return samples_of(kClosedHat.seconds);
        case Instrument::open_hat:
            return samples_of(kOpenHat.seconds);
        case Instrument::crash:
            return samples_of(kCrashSeconds);
        case Instrument::bell:
            return samples_of(kBellSeconds);
        case Instrument::riser:
            return samples_of(gate + kRiserFadeSeconds);
        case Instrument::bass:
            return samples_of(adsr_end(kBassEnv, gate));
        case Instrument::pad:
            return samples_of(adsr_end(kPadVoice.env, gate));
        case Instrument::lead:
            return samples_of(adsr_end(kLeadVoice.env, gate));
        case Instrument::pluck:
            return samples_of(adsr_end(kPluckEnv, gate));
    }
    return 0;
}

void render_note(const Note& note, Buses& buses)
{
    switch (note.instrument) {
        case Instrument::kick:
            render_kick(note, buses);
            break;
        case Instrument::clap:
            render_clap(note, buses);
            break;
        case Instrument::snare:
            render_snare(note, buses);
            break;
        case Instrument::closed_hat:
            render_hat(note, buses, kClosedHat);
            break;
        case Instrument::open_hat:
            render_hat(note, buses, kOpenHat);
            break;
        case Instrument::crash:
            render_crash(note, buses);
            break;
        case Instrument::riser:
            render_riser(note, buses);
            break;
        case Instrument::bass:
            render_bass(note, buses);
            break;
        case Instrument::pad:
            render_supersaw(note, buses, kPadVoice);
            break;
        case Instrument::lead:
            render_supersaw(note, buses, kLeadVoice);
            break;
        case Instrument::pluck:
            render_pluck(note, buses);
            break;
        case Instrument::bell:
            render_bell(note, buses);
            break;
    }
}
