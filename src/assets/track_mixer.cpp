#include "assets/track_mixer.h"

#include "assets/catalogue.h"
#include "core/timeline.h"

bool track_mixer_open(int chunk_frames)
{
    return Mix_OpenAudio(kAudioRate, AUDIO_S16LSB, kAudioChannels, chunk_frames) == 0;
}

Mix_Music* track_mixer_load()
{
    return Mix_LoadMUS_RW(
        SDL_RWFromMem(const_cast<unsigned char*>(music_track.bytes), music_track.length));
}
