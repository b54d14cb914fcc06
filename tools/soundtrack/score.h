#pragma once
// The arrangement: which note sounds when, for the whole piece. The piece is in D minor at
// 180 BPM and follows the picture's 32-beat phrases: an intro that builds for four phrases,
// the drop on beat 128, a breakdown, a second peak, a lift a whole tone up, and an outro that
// starts after the show's last beat (540).
//
//   std::vector<Note> notes = compose_score();   // sorted by start sample

#include "synth.h"

#include <cstdint>
#include <vector>

// The outro waits for the first phrase that starts once the show has stopped.
constexpr int kOutroBeat = (kShowEndBeat + kBeatsPerPhrase - 1) / kBeatsPerPhrase * kBeatsPerPhrase;

// Every note of the piece, ordered by start.
std::vector<Note> compose_score();

// Beat positions (whole beats) at which the score places a kick.
std::vector<int> kick_beats(const std::vector<Note>& notes);
