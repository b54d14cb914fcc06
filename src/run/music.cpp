// Playback of the carried soundtrack through SDL_mixer. The handle lives until the process
// ends; results of the mixer calls are deliberately ignored (a silent show is still a show).
//
// When the music is mixed: after every buffer it mixes, the audio thread notes the tick count
// at which the music's start would have been mixed, had it played without a break since. The
// smallest of the last notes (the callbacks least delayed by the scheduler) is that moment;
// it moves later only when the driver ran dry, which delays everything after it.
#include "run/music.h"

#include "assets/catalogue.h"
#include "core/timeline.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <sys/stat.h>  // stat

#include <algorithm>  // std::min_element
#include <atomic>
#include <cstdlib>  // std::getenv
#include <cstring>  // std::strcmp
#include <string>

namespace {
constexpr int kNotesKept = 64;  // about 0.7 s of buffers
// Samples in one MPEG-1 Layer III frame, the track's own: the mixer plays every frame whole,
// the information frame included, so frame k sounds from sample k * 1152 on.
constexpr std::int64_t kMp3FrameSamples = 1152;

Mix_Music* music = nullptr;
bool device_open = false;
double queue_ms = 0.0;

// Written by the audio thread, or by the main thread with the audio thread locked out.
struct MixNotes {
    bool playing;
    std::int64_t position;  // the music's position at the start of the next buffer, in samples
    std::int32_t starts[kNotesKept];
    int count;
};
MixNotes notes{};
std::atomic<std::int32_t> mixed_start_ticks{0};
std::atomic<bool> mixed_start_known{false};

void note_mix(void*, Uint8*, int bytes)
{
    if (!notes.playing) {
        return;
    }
    notes.starts[notes.count++ % kNotesKept] =
        static_cast<std::int32_t>(SDL_GetTicks()) -
        static_cast<std::int32_t>(notes.position * 1000 / kAudioRate);
    mixed_start_ticks =
        *std::min_element(notes.starts, notes.starts + std::min(notes.count, kNotesKept));
    mixed_start_known = true;
    const int frames = bytes / (kAudioChannels * static_cast<int>(sizeof(Sint16)));
    notes.position += frames;
}

// Restarts the notes from a new position; the next buffer mixed begins there.
void restart_notes(std::int64_t position)
{
    notes.playing = music_plays();
    notes.position = position;
    notes.count = 0;
    mixed_start_known = false;
}

// Buffers each driver holds between the mixer and the loudspeaker, as multiples of the mixer's
// chunk: for SDL 1.2's pulse and alsa drivers measured on a private PulseAudio and PipeWire
// (whose pulse server holds about two graph quanta more); for the Windows drivers, the buffers
// SDL itself keeps queued.
struct DriverQueue {
    const char* driver;
    bool on_pipewire;
    double chunks;
};
constexpr DriverQueue kDriverQueues[] = {
    {"pulse", false, 1.0}, {"pulse", true, 1.5},   {"alsa", false, 1.5},
    {"alsa", true, 1.8},   {"dsound", false, 2.0}, {"waveout", false, 2.0},
};
// Any other driver: most keep about one chunk queued.
constexpr double kUnknownDriverChunks = 1.0;

// PipeWire's socket in the session's runtime folder: the pulse server there is PipeWire's.
bool pipewire_runs()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat socket_status {};
    return runtime != nullptr &&
           stat((std::string(runtime) + "/pipewire-0").c_str(), &socket_status) == 0;
}
}  // namespace

double driver_queue_ms(const char* driver, bool on_pipewire, int chunk_frames, int rate)
{
    double chunks = kUnknownDriverChunks;
    for (const DriverQueue& entry : kDriverQueues) {
        if (std::strcmp(entry.driver, driver) == 0 && entry.on_pipewire == on_pipewire) {
            chunks = entry.chunks;
        }
    }
    return chunks * chunk_frames * 1000.0 / rate;
}

void open_music()
{
    device_open = Mix_OpenAudio(kAudioRate, AUDIO_S16LSB, kAudioChannels, kAudioChunkFrames) == 0;
    music = Mix_LoadMUS_RW(
        SDL_RWFromMem(const_cast<unsigned char*>(music_track.bytes), music_track.length));
    if (device_open) {
        char driver[32] = "";
        SDL_AudioDriverName(driver, sizeof driver);
        queue_ms = driver_queue_ms(driver, pipewire_runs(), kAudioChunkFrames, kAudioRate);
        Mix_SetPostMix(note_mix, nullptr);
    }
}

bool music_plays()
{
    return device_open && music != nullptr;
}

void play_music()
{
    SDL_LockAudio();
    restart_notes(0);
    Mix_PlayMusic(music, -1);
    SDL_UnlockAudio();
}

bool music_heard_from(std::int32_t& ticks)
{
    if (!mixed_start_known) {
        return false;
    }
    ticks = mixed_start_ticks + static_cast<std::int32_t>(queue_ms + 0.5);
    return true;
}

// Debian's SDL_mixer 1.2 decodes MP3 through libmad and takes the position as absolute, not as
// the relative jump its documentation promises for MP3; so the skip asks for where the music
// belongs: the show time after the skip. It lands on an MP3 frame: the mixer first finishes the
// frame it is playing, then resumes at the first frame that starts at or after the position
// asked for. The notes start again from where that puts the next buffer's first sample.
void seek_music_to(std::int32_t show_ms)
{
    if (Mix_PlayingMusic() == 0) {
        return;
    }
    SDL_LockAudio();
    const std::int64_t asked = static_cast<std::int64_t>(show_ms) * kAudioRate / 1000;
    const std::int64_t resumes_at =
        (asked + kMp3FrameSamples - 1) / kMp3FrameSamples * kMp3FrameSamples;
    const std::int64_t rest_of_frame =
        (kMp3FrameSamples - notes.position % kMp3FrameSamples) % kMp3FrameSamples;
    Mix_SetMusicPosition(show_ms / 1000.0);
    restart_notes(resumes_at - rest_of_frame);
    SDL_UnlockAudio();
}

void close_music()
{
    Mix_CloseAudio();
}
