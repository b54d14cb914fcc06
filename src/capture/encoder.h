#pragma once
// The video file, through FFmpeg's libraries: H.264 (libx264, 4:2:0, tagged BT.709 limited
// range, the matrix the conversion uses) and the show's sound at 48 kHz, AAC in .mp4 or FLAC
// in .mkv, in the container OUT's extension names. Frames come as the offscreen framebuffer
// holds them (BGRA, rows bottom first); sound as the mixer made it (16-bit stereo).
//
// The file is written beside OUT under a name of its own and takes OUT's name only once it is
// complete and on the disk; until then whatever stands at OUT is untouched. A file it replaces
// passes on its permissions; a symbolic link at OUT stays, and the file it leads to is replaced.
//
//   encoder_open(options, error)   refuses an existing OUT without --force; creates the file
//                                  and writes its header; fails before any frame
//   encoder_video(pixels, k)       converts and encodes frame k (frames come in order)
//   encoder_audio(samples, upto)   encodes the sound up to sample `upto` in whole codec frames
//   encoder_finish(samples, upto, error)  the rest of the sound, the encoders' tails, the
//                                  index; then the file becomes OUT
//   encoder_failure()              why encoder_video or encoder_audio failed
//   encoder_partial_path()         the file being written, to remove from a signal handler
//   encoder_abandon()              closes and removes the file being written
//
// Everything but encoder_open may run on another thread than the one that opened it, as long
// as it is one thread at a time.

#include "capture/options.h"

#include <cstdint>
#include <string>

bool encoder_open(const CaptureOptions& options, std::string& error);
bool encoder_video(const unsigned char* pixels, std::int64_t frame);
bool encoder_audio(const std::int16_t* samples, std::int64_t upto);
bool encoder_finish(const std::int16_t* samples, std::int64_t upto, std::string& error);
std::string encoder_failure();
const char* encoder_partial_path();
void encoder_abandon();
