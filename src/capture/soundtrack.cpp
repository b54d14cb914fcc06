// Depends on SDL 1.2 and SDL_mixer: the same mixer, and so the same samples, as the show.
#include "capture/soundtrack.h"

#include "assets/track_mixer.h"
#include "core/timeline.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <fcntl.h>   // open
#include <unistd.h>  // dup, dup2, close

#include <algorithm>  // std::min, std::max, std::copy_n
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>   // std::fflush
#include <cstdlib>  // setenv
#include <mutex>
#include <vector>

namespace {
constexpr auto kMixerTimeout = std::chrono::seconds(60);

struct Recorder {
    std::vector<std::int16_t> samples;
    std::int64_t skip = 0;  // samples per channel still to drop before keeping any
    std::atomic<std::int64_t> kept{0};
    std::mutex lock;
    std::condition_variable progressed;
};
Recorder recorder;
Mix_Music* music = nullptr;
bool audio_open = false;

// Runs on SDL's audio thread with every buffer the mixer has just mixed.
void record(void*, Uint8* stream, int len)
{
    const auto* in = reinterpret_cast<const std::int16_t*>(stream);
    std::int64_t frames = len / static_cast<int>(sizeof(std::int16_t) * kAudioChannels);
    const std::int64_t dropped = std::min(frames, recorder.skip);
    recorder.skip -= dropped;
    in += dropped * kAudioChannels;
    frames -= dropped;
    const std::int64_t wanted = static_cast<std::int64_t>(recorder.samples.size()) / kAudioChannels;
    const std::int64_t kept = recorder.kept.load();
    const std::int64_t n = std::min(frames, wanted - kept);
    if (n <= 0) {
        return;
    }
    std::copy_n(in, n * kAudioChannels, &recorder.samples[kept * kAudioChannels]);
    {
        std::lock_guard<std::mutex> hold(recorder.lock);
        recorder.kept.store(kept + n);
    }
    recorder.progressed.notify_all();
}
// SDL's disk driver warns on standard error that it writes a file instead of playing; here
// that is the point, and the warning would only puzzle whoever watches the progress line.
bool open_mixer_quietly()
{
    std::fflush(stderr);
    const int kept = dup(2);
    const int null = open("/dev/null", O_WRONLY);
    if (kept >= 0 && null >= 0) {
        dup2(null, 2);
    }
    const bool opened = track_mixer_open(kAudioChunkFrames);
    if (kept >= 0) {
        dup2(kept, 2);
        close(kept);
    }
    if (null >= 0) {
        close(null);
    }
    return opened;
}
}  // namespace

bool soundtrack_start(std::int64_t skip, std::int64_t frames, std::string& error)
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);  // no pacing: mix as fast as the machine allows
    recorder.samples.assign(static_cast<std::size_t>(frames) * kAudioChannels, 0);
    // Before the show's first sample there is silence, as there is before the show starts.
    recorder.skip = std::max<std::int64_t>(skip, 0);
    recorder.kept = std::min(std::max<std::int64_t>(-skip, 0), frames);
    if (SDL_Init(SDL_INIT_AUDIO) < 0 || !open_mixer_quietly()) {
        error = std::string("the mixer did not open: ") + SDL_GetError();
        return false;
    }
    audio_open = true;
    music = track_mixer_load();
    if (music == nullptr) {
        error = std::string("the mixer refused the track: ") + Mix_GetError();
        return false;
    }
    // The audio thread has been mixing silence since the mixer opened. With it held, the hook
    // and the music start together: the first sample recorded is the show's sample 0, never
    // a buffer of the silence before it.
    SDL_LockAudio();
    Mix_SetPostMix(record, nullptr);
    Mix_PlayMusic(music, -1);
    SDL_UnlockAudio();
    return true;
}

bool soundtrack_wait(std::int64_t frames)
{
    std::unique_lock<std::mutex> hold(recorder.lock);
    return recorder.progressed.wait_for(hold, kMixerTimeout,
                                        [frames] { return recorder.kept.load() >= frames; });
}

const std::int16_t* soundtrack_samples()
{
    return recorder.samples.data();
}

// The disk driver never rests, even paused; once every sample is kept, the mixer only burns
// a core that the drawing and the encoder need.
void soundtrack_poll()
{
    if (audio_open && recorder.kept.load() * kAudioChannels >=
                          static_cast<std::int64_t>(recorder.samples.size())) {
        soundtrack_stop();
    }
}

void soundtrack_stop()
{
    if (!audio_open) {
        return;
    }
    audio_open = false;
    Mix_SetPostMix(nullptr, nullptr);
    Mix_HaltMusic();
    if (music != nullptr) {
        Mix_FreeMusic(music);
        music = nullptr;
    }
    Mix_CloseAudio();
}
