#include "playback_capture.h"

#include "core/timeline.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cmath>    // std::exp, std::abs
#include <cstdlib>  // setenv

namespace {
constexpr std::uint32_t kTimeoutMs = 120000;
// Keeps the kick's click and first cycles, drops the hats.
constexpr float kLowPassHz = 1500.0f;
// Mean level over 20 ms after a candidate minus 20 ms before it: long enough to average out
// the kick's own low cycles, which would otherwise pull the estimate a millisecond late.
constexpr std::int64_t kRiseWindow = 960;

struct Recorder {
    std::vector<std::int16_t>* samples = nullptr;
    std::size_t wanted = 0;
    std::atomic<std::size_t> have{0};
};
Recorder recorder;

void record(void*, Uint8* stream, int len)
{
    const auto* in = reinterpret_cast<const std::int16_t*>(stream);
    std::size_t have = recorder.have.load();
    const std::size_t n = static_cast<std::size_t>(len) / sizeof(std::int16_t);
    for (std::size_t i = 0; i < n && have < recorder.wanted; ++i) {
        (*recorder.samples)[have++] = in[i];
    }
    recorder.have.store(have);
}

void one_pole(std::vector<float>& x, bool backwards)
{
    const float a = 1.0f - std::exp(-6.2831853f * kLowPassHz / kAudioRate);
    float state = 0.0f;
    const std::int64_t n = static_cast<std::int64_t>(x.size());
    for (std::int64_t k = 0; k < n; ++k) {
        float& v = x[backwards ? n - 1 - k : k];
        state += a * (v - state);
        v = state;
    }
}
}  // namespace

Capture capture_playback(const std::vector<unsigned char>& mp3, std::int64_t frames)
{
    Capture out;
    // What the driver writes is not needed: the post-mix hook has the samples already.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);

    out.samples.assign(static_cast<std::size_t>(frames) * kAudioChannels, 0);
    recorder.samples = &out.samples;
    recorder.wanted = out.samples.size();
    recorder.have = 0;

    if (SDL_Init(SDL_INIT_AUDIO) < 0 ||
        Mix_OpenAudio(kAudioRate, AUDIO_S16LSB, kAudioChannels, kAudioChunkFrames) < 0) {
        out.error = std::string("audio did not open: ") + SDL_GetError();
        SDL_Quit();
        return out;
    }
    Mix_Music* music = Mix_LoadMUS_RW(
        SDL_RWFromMem(const_cast<unsigned char*>(mp3.data()), static_cast<int>(mp3.size())));
    if (music == nullptr) {
        out.error = std::string("the mixer refused the track: ") + Mix_GetError();
    } else {
        // With the audio thread held, no buffer can be mixed between starting the music and
        // hooking the recorder in: the first recorded sample is the first one played.
        SDL_LockAudio();
        Mix_SetPostMix(record, nullptr);
        Mix_PlayMusic(music, -1);
        SDL_UnlockAudio();
        const std::uint32_t started = SDL_GetTicks();
        while (recorder.have.load() < recorder.wanted && SDL_GetTicks() - started < kTimeoutMs) {
            SDL_Delay(5);
        }
        Mix_SetPostMix(nullptr, nullptr);
        Mix_HaltMusic();
        if (recorder.have.load() < recorder.wanted) {
            out.error = "the mixer stopped before the end of the track";
        }
        Mix_FreeMusic(music);
    }
    Mix_CloseAudio();
    SDL_Quit();
    return out;
}

std::vector<std::int64_t> find_onsets(const std::vector<float>& mono,
                                      const std::vector<std::int64_t>& expected,
                                      std::int64_t search)
{
    std::vector<float> low = mono;
    one_pole(low, false);
    one_pole(low, true);
    std::vector<double> level(low.size() + 1, 0.0);
    for (std::size_t i = 0; i < low.size(); ++i) {
        level[i + 1] = level[i] + std::abs(static_cast<double>(low[i]));
    }
    const std::int64_t n = static_cast<std::int64_t>(low.size());
    std::vector<std::int64_t> onsets;
    for (std::int64_t at : expected) {
        std::int64_t best = -1;
        double best_rise = 0.0;
        for (std::int64_t i = at - search; i <= at + search; ++i) {
            if (i - kRiseWindow < 0 || i + kRiseWindow > n) {
                continue;
            }
            const double rise =
                (level[i + kRiseWindow] - level[i]) - (level[i] - level[i - kRiseWindow]);
            if (rise > best_rise) {
                best_rise = rise;
                best = i;
            }
        }
        onsets.push_back(best);
    }
    return onsets;
}
