// Playback of the carried soundtrack through SDL_mixer. The handle lives until the process
// ends; results of the mixer calls are deliberately ignored (a silent show is still a show).
#include "run/music.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace {
constexpr int kAudioRate = 48000;  // the track's own rate: no resampling
constexpr int kAudioChannels = 2;
constexpr int kAudioChunkFrames = 8192;

// Debian's SDL_mixer 1.2 decodes MP3 through libmad and takes Mix_SetMusicPosition as an
// absolute position, not as the relative jump its documentation promises for MP3. So the skip
// asks for where the music belongs: the show time after the skip, in seconds.
constexpr bool kMixerSeeksAbsolute = true;

Mix_Music* music = nullptr;
}  // namespace

void open_music()
{
    Mix_OpenAudio(kAudioRate, AUDIO_S16LSB, kAudioChannels, kAudioChunkFrames);
    music = Mix_LoadMUS_RW(
        SDL_RWFromMem(const_cast<unsigned char*>(music_track.bytes), music_track.length));
}

void play_music()
{
    Mix_PlayMusic(music, -1);
}

void seek_music_after_skip(std::int32_t show_ms_after_skip)
{
    if (Mix_PlayingMusic() == 0) {
        return;
    }
    constexpr double kSkipSeconds = 10.0;
    Mix_SetMusicPosition(kMixerSeeksAbsolute ? show_ms_after_skip / 1000.0 : kSkipSeconds);
}

void close_music()
{
    Mix_CloseAudio();
}
