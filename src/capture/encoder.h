#pragma once
// The video file, through FFmpeg's libraries: H.264 (libx264, 4:2:0, tagged BT.709 limited
// range, the matrix the conversion uses) and the show's sound at 48 kHz, AAC in .mp4 or FLAC
// in .mkv, in the container OUT's extension names. Frames come as the offscreen framebuffer
// holds them (BGRA, rows bottom first); sound as the mixer made it (16-bit stereo).
//
// The file is written as a partial file (partial_file.h) in pieces that each play once on the
// disk; finished, an mp4 is copied into one with its index at the front, and the file takes
// OUT's name. No stream needs an edit list: the codecs' delays are paid in the streams, so a
// player that ignores edit lists shows what one that honours them does.
//
//   encoder_open(options, target, resumed, start, error)  writes the header into the target's
//                                  partial file (partial_create made it);
//                                  with `resumed`, first what that unfinished capture kept;
//                                  says in `start` where drawing and sound go on
//   encoder_video(pixels, k)       converts and encodes frame k (frames come in order)
//   encoder_audio(samples, upto)   encodes the sound up to sample `upto` in whole codec frames
//   encoder_finish(samples, upto, error)  the rest of the sound, the encoders' tails, the
//                                  index; then the file becomes OUT
//   encoder_failure()              why encoder_video or encoder_audio failed
//   encoder_partial_path()         the file being written
//   encoder_abandon()              closes and removes the files being written
//
// Sound is counted from start.sound_from, in samples from the first frame's moment: the
// encoder takes some before it (the pictures are shown late by x264's reordering delay, and so
// is the sound), and a resumed capture starts its sound where the kept sound ends.
//
// Everything but encoder_open may run on another thread than the one that opened it, as long
// as it is one thread at a time.

#include "capture/leftover.h"
#include "capture/options.h"
#include "capture/partial_file.h"

#include <cstdint>
#include <string>

struct EncoderStart {
    std::int64_t frame = 0;       // the first frame to draw
    std::int64_t sound_from = 0;  // the first sample of sound the encoder takes
};

bool encoder_open(const CaptureOptions& options, const PartialTarget& target,
                  const Leftover* resumed, EncoderStart& start, std::string& error);
bool encoder_video(const unsigned char* pixels, std::int64_t frame);
bool encoder_audio(const std::int16_t* samples, std::int64_t upto);
bool encoder_finish(const std::int16_t* samples, std::int64_t upto, std::string& error);
std::string encoder_failure();
const char* encoder_partial_path();
void encoder_abandon();
