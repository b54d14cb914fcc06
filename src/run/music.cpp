// Playback of the carried soundtrack through SDL_mixer. The handle lives until the process
// ends; results of the mixer calls are deliberately ignored (a silent show is still a show).
#include "run/music.h"

#include "core/timeline.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace {
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

// Debian's SDL_mixer 1.2 decodes MP3 through libmad and takes the position as absolute, not as
// the relative jump its documentation promises for MP3; so the skip asks for where the music
// belongs: the show time after the skip.
void seek_music_to(std::int32_t show_ms)
{
    if (Mix_PlayingMusic() != 0) {
        Mix_SetMusicPosition(show_ms / 1000.0);
    }
}

void close_music()
{
    Mix_CloseAudio();
}
