#pragma once
// The whole soundtrack pipeline: compose, mix, master, encode, and check what a player hears.
//
// The show's player (SDL_mixer over libmad) does not skip the encoder's information frame nor
// the encoder and decoder delays, so it plays every sample that late. The track is therefore
// rendered on the music's own timeline and handed to the encoder that many samples early:
// what the player outputs from the moment it starts has beat k at sample k × 16 000.
//
//   Soundtrack s = make_soundtrack();   // s.mp3 is the file's bytes

#include "master.h"
#include "synth.h"

#include <cstdint>
#include <vector>

constexpr int kTrackFrames = 8562;              // audio frames counted by the information frame
constexpr int kInformationFrameSamples = 1152;  // the information frame plays as silence
constexpr int kDecoderDelaySamples = 529;       // libmad's synthesis filter bank
constexpr double kTargetLufs = -14.0;
constexpr double kTruePeakLimitDbtp = -1.0;

struct Soundtrack {
    std::vector<unsigned char> mp3;
    StereoBuffer heard;  // the decoded file
    Loudness loudness;   // of the decoded file
    double render_seconds;
    double encode_seconds;
};

// Samples between the start of playback and the first encoded sample, for the show's player.
std::int64_t playback_lead_samples();
// How many samples go into the encoder so that it writes kTrackFrames audio frames.
std::int64_t encoded_samples();

Soundtrack make_soundtrack();
