#pragma once
// The soundtrack where the show plays in real time, and when the listener hears it: the one
// thing the show's clock (play/show_clock.h) needs from the stage. Each build links one
// implementation: SDL_mixer on a sound device (run/music.cpp, with run/hearing.h), or the
// browser's Web Audio (web/web_music.cpp). Failures are not fatal: without a device or a track
// the show runs silent on the same clock.
//
//   open_music()        the output, and the carried track made ready for it
//   play_music(ms)      from that show time on, looping; 0 is the track's start
//   seek_music_to(ms)   while it plays: on to that show time
//   music_heard()       what is known now of when the music is heard, for the clock
//   music_device_lost() the output stopped for good (its sound server went away)
//   reopen_music()      a lost output closed, and the output and the track opened again
//   close_music()       the output

#include <cstdint>

struct HeardMusic {
    bool heard;                // music was mixed since the last restart
    std::int32_t start_ticks;  // the tick count at which the music's first sample is heard
    std::int32_t mixed_ms;     // the music mixed so far ends here, in music milliseconds
    std::int64_t mixes;        // buffers mixed since the device opened
    std::int32_t block_ms;     // how long the blocks the output takes at once last
};

void open_music();
bool music_plays();  // the output opened and the track loaded
void play_music(std::int32_t from_show_ms);
void seek_music_to(std::int32_t show_ms);
HeardMusic music_heard();
bool music_device_lost();
void reopen_music();
void close_music();
