#pragma once
// The show's timeline: every number that the music and the picture must agree on, in one
// place. The show's clock, the scene, the soundtrack generator and the tests all read them
// from here, so a change to one of them moves the music and the picture together.

#include <cstdint>

// Tempo: the clock counts beats at this rate from the music's first sample.
constexpr double kShowBpm = 180.0;
constexpr double kMsPerMinute = 60000.0;

// The show ends at the first frame past this time, 540 beats in.
constexpr std::int32_t kShowLengthMs = 180000;
constexpr int kShowEndBeat = static_cast<int>(kShowLengthMs * kShowBpm / kMsPerMinute);

// The music's phrases are 32 beats long; the cube changes photos at each phrase start. The
// drop, where the logos appear and the music's first peak begins, is the fifth phrase.
constexpr int kBeatsPerPhrase = 32;
constexpr int kDropBeat = 128;

// Key s moves the clock and the music this far ahead.
constexpr std::int32_t kSkipMs = 10000;

// The audio format the mixer opens, which is the soundtrack's own: no resampling on the way.
constexpr int kAudioRate = 48000;
constexpr int kAudioChannels = 2;
constexpr int kAudioChunkFrames = 1024;
// The soundtrack is MPEG-1 Layer III: it is encoded, played and sought in frames of this many
// samples.
constexpr int kMp3FrameSamples = 1152;

// A beat is a whole number of samples at this tempo and rate, so the score lands on the
// picture's beat grid without drift.
constexpr std::int64_t kSamplesPerBeat = static_cast<std::int64_t>(kAudioRate * 60 / kShowBpm);
static_assert(kSamplesPerBeat * kShowBpm == kAudioRate * 60.0, "a beat must be whole samples");
static_assert(kShowEndBeat * kMsPerMinute == kShowLengthMs * kShowBpm, "the show ends on a beat");
static_assert(kDropBeat % kBeatsPerPhrase == 0, "the drop starts a phrase");
