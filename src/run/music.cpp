// The desktop's music: the carried soundtrack through SDL_mixer on the sound device, and when
// it is heard from the hearing measurement beside it (run/hearing.h). Results of the mixer
// calls are deliberately ignored (a silent show is still a show). Every change of where the
// music plays tells the hearing measurement where the next buffer starts, under the audio
// lock, so that no buffer is noted against the wrong position.
#include "play/music.h"

#include "assets/track_mixer.h"
#include "core/timeline.h"
#include "run/hearing.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace {
Mix_Music* music = nullptr;
bool device_open = false;

// Debian's SDL_mixer 1.2 decodes MP3 through libmad and takes the position as absolute, not as
// the relative jump its documentation promises for MP3; so the skip asks for where the music
// belongs: the show time after the skip. It lands on an MP3 frame: the mixer first finishes the
// frame it is playing, then resumes at the first frame that starts at or after the position
// asked for. The hearing notes start again from where that puts the next buffer's first sample.
// With the audio locked.
void move_music_to(std::int32_t show_ms)
{
    const std::int64_t asked = std::int64_t{show_ms} * kAudioRate / 1000;
    const std::int64_t resumes_at =
        (asked + kMp3FrameSamples - 1) / kMp3FrameSamples * kMp3FrameSamples;
    const std::int64_t rest_of_frame =
        (kMp3FrameSamples - hearing_next_sample() % kMp3FrameSamples) % kMp3FrameSamples;
    Mix_SetMusicPosition(show_ms / 1000.0);
    hearing_restart(resumes_at - rest_of_frame, music_plays());
}
}  // namespace

void open_music()
{
    // SDL names its driver once its audio has started; the device opens with that driver's chunk.
    // Started once only: SDL counts the starts, and the stop below must end the last of them.
    char driver[32] = "";
    if (SDL_WasInit(SDL_INIT_AUDIO) != 0 || SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        SDL_AudioDriverName(driver, sizeof driver);
    }
    device_open = track_mixer_open(hearing_choose_driver(driver));
    if (!device_open) {
        // SDL 1.2 marks its audio started even when it found no device, and would not look
        // again: marked stopped, the next attempt looks.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    music = track_mixer_load();
    if (device_open) {
        hearing_listen();
    }
}

bool music_plays()
{
    return device_open && music != nullptr;
}

void play_music(std::int32_t from_show_ms)
{
    SDL_LockAudio();
    hearing_restart(0, music_plays());
    Mix_PlayMusic(music, -1);
    if (from_show_ms > 0 && music_plays()) {
        move_music_to(from_show_ms);
    }
    SDL_UnlockAudio();
}

void seek_music_to(std::int32_t show_ms)
{
    if (Mix_PlayingMusic() == 0) {
        return;
    }
    SDL_LockAudio();
    move_music_to(show_ms);
    SDL_UnlockAudio();
}

HeardMusic music_heard()
{
    return hearing_now();
}

// SDL stops its audio thread for good when the driver's server goes away.
bool music_device_lost()
{
    return device_open && SDL_GetAudioStatus() == SDL_AUDIO_STOPPED;
}

// The track is loaded again with the device: a stream decodes at the rate it was opened for.
void reopen_music()
{
    Mix_FreeMusic(music);
    music = nullptr;
    Mix_CloseAudio();
    open_music();
}

void close_music()
{
    Mix_CloseAudio();
}
