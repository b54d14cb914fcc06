#pragma once
// What one capture run is asked for, read from its command line, and the plan that follows
// from it: how many frames, the show time of each, how many samples of sound. The plan is
// plain integer arithmetic on the frame rate as a fraction (30000/1001 is exact), so that a
// frame's time and the samples that go with it never drift, however long the capture.
//
//   parse_capture_options(argc, argv, options, error)   run, help, or an error line in `error`
//   capture_frame_count(options)   frames in [from, to) at the frame rate
//   capture_frame_ms(options, k)   the show time frame k shows, in whole milliseconds
//   capture_audio_frames(options, frames)   samples per channel that go with that many frames,
//                                 none past the show's end
//   capture_show_end_ms(options)   where the show ends, in milliseconds into the video: a last
//                                 frame that would be shown past it is cut short there
//   capture_settings_text(options) what makes two captures' frames the same (size, rate, start,
//                                 encoding), written into the file so that a later capture
//                                 knows whether it may go on from it

#include <cstdint>
#include <string>

struct CaptureOptions {
    std::int32_t width;
    std::int32_t height;
    std::int32_t fps_num;  // frames per second is fps_num / fps_den, in lowest terms
    std::int32_t fps_den;
    std::int32_t from_ms;  // show time of the first frame and the first sample
    std::int32_t to_ms;    // show time the capture stops before
    std::int32_t crf;      // x264's constant rate factor: lower is better and larger
    std::string preset;    // x264's speed for size trade, by its own names
    std::string out;
    bool matroska;  // .mkv (FLAC sound) rather than .mp4 (AAC sound)
    bool force;     // an existing OUT may be replaced
    bool resume;    // go on from what an unfinished capture of OUT left
};

enum class ParseResult { run, help, error };

ParseResult parse_capture_options(int argc, char** argv, CaptureOptions& options,
                                  std::string& error);

// The usage text that --help prints.
extern const char kCaptureUsage[];

std::int64_t capture_frame_count(const CaptureOptions& options);
std::int32_t capture_frame_ms(const CaptureOptions& options, std::int64_t frame);
std::int64_t capture_audio_frames(const CaptureOptions& options, std::int64_t frames);
std::int32_t capture_show_end_ms(const CaptureOptions& options);
std::string capture_settings_text(const CaptureOptions& options);
