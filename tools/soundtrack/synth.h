#pragma once
// The soundtrack's sound sources: oscillators, envelopes, filters, noise and the instrument
// voices built from them. A voice is a pure function of its note record: rendering the same
// note twice gives the same samples, because every noise source is seeded from the note.
//
//   Note note{Instrument::kick, start_sample, length, pitch, velocity, brightness, seed};
//   render_note(note, bus);            // adds the voice into the bus it belongs to
//   note_tail_samples(note);           // how long after its start the voice is silent for good

#include "core/timeline.h"

#include <cstdint>
#include <vector>

enum class Instrument {
    kick,
    clap,
    snare,
    closed_hat,
    open_hat,
    crash,
    riser,
    bass,
    pad,
    lead,
    pluck,
    bell
};

// One sounding event. Times are in samples of the music's own timeline: beat k starts at
// sample k × kSamplesPerBeat.
struct Note {
    Instrument instrument;
    std::int64_t start;   // first sample the voice may be non-zero
    std::int64_t length;  // gate length: the key is held this long, then the voice releases
    float pitch;          // MIDI note number (fractional allowed); unused by unpitched drums
    float velocity;       // 0..1
    float brightness;     // 0..1: filter opening, for the sweeps of the build-ups
    std::uint32_t seed;   // noise seed, so every hit differs a little but every run is the same
};

// A stereo pair of sample tracks, long enough for the whole piece.
struct StereoBuffer {
    std::vector<float> left;
    std::vector<float> right;
};

// The buses a voice can feed. Sends go to the shared reverb and the tempo delay.
struct Buses {
    StereoBuffer drums;   // never ducked
    StereoBuffer music;   // bass, chords and melodies: ducked by the kick
    StereoBuffer reverb;  // send
    StereoBuffer delay;   // send
};

Buses make_buses(std::int64_t samples);

// Envelope with attack, decay, sustain and release, in seconds. The release ends at exactly
// zero, so a voice has a definite end.
struct Adsr {
    float attack;
    float decay;
    float sustain;
    float release;
};
float adsr_level(const Adsr& env, double t, double gate);
double adsr_end(const Adsr& env, double gate);

// Zero-delay-feedback state-variable filter (stable under fast cutoff sweeps).
struct Svf {
    float ic1 = 0.0f;
    float ic2 = 0.0f;
    float a1 = 0.0f;
    float a2 = 0.0f;
    float a3 = 0.0f;
    float k = 2.0f;
};
void svf_tune(Svf& f, float cutoff_hz, float resonance);  // resonance 0..1
struct SvfOut {
    float low;
    float band;
    float high;
};
SvfOut svf_step(Svf& f, float x);

// Deterministic white noise in [-1, 1).
struct Noise {
    std::uint32_t state;
};
Noise noise_seeded(std::uint32_t seed);
float noise_next(Noise& n);

float note_hz(float midi);
float saw_blep(double& phase, double increment);  // band-limited sawtooth, phase in [0, 1)

std::int64_t note_tail_samples(const Note& note);  // from start to guaranteed silence
void render_note(const Note& note, Buses& buses);
