#pragma once
// What an unfinished capture left on the disk holds, and its packets to go on from. A capture
// writes its file in pieces that each play once on the disk (mp4 fragments from one keyframe to
// the next, Matroska clusters of at most a second), so what a kill leaves plays up to its last
// whole piece. Going on from it keeps every group of pictures before the last keyframe found
// (the last group may be cut short) and the sound up to there, whole packets only.
//
//   leftover_read(path, found)     reads it through; false if nothing in it plays
//   leftover_copy(found, streams, write, error)   hands its streams to `streams`, then each kept
//                                  packet, in file order, to `write`
//
// A file of another capture's settings (size, rate, start, encoding) is found and described
// as well; going on from it is for the caller to refuse.

#include <cstdint>
#include <functional>
#include <string>

struct AVPacket;
struct AVStream;

struct Leftover {
    std::string path;
    std::string settings;        // what its capture wrote into it (capture_settings_text)
    std::int64_t frames = 0;     // whole frames kept, from its first
    double seconds = 0;          // how long they are shown
    std::int64_t sound_end = 0;  // where the sound kept ends, in its stream's samples
};

bool leftover_read(const std::string& path, Leftover& found);
// Either function returns false to stop. A stream's parameters are as the file holds them
// (H.264 in the mp4 form, lengths before its units), as are the packets `write` gets.
bool leftover_copy(const Leftover& found,
                   const std::function<bool(const AVStream* video, const AVStream* audio)>& streams,
                   const std::function<bool(AVPacket*, const AVStream* from, bool video)>& write,
                   std::string& error);
