#pragma once
// The mix: renders every note into its bus, runs the shared reverb and tempo delay, ducks the
// music under the kick, and sums it all to one stereo track on the music's own timeline.
//
//   StereoBuffer piece = mix_piece(compose_score(), samples);

#include "synth.h"

#include <cstdint>
#include <vector>

StereoBuffer mix_piece(const std::vector<Note>& notes, std::int64_t samples);

// Gain of the music bus at every sample: dips after each kick and recovers before the next,
// which is what makes the chords breathe with the beat.
std::vector<float> kick_duck(const std::vector<Note>& notes, std::int64_t samples);
