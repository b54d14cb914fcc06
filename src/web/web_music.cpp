// The web stage's music (play/music.h): the soundtrack in the browser, and when the listener
// hears it, so that the player's clock works here as on the desktop. Each fresh output
// timestamp counts as a buffer mixed: an output that stops giving them (a suspended device) is
// one that stands still.
//
// Depends on the page's Web Audio: the browser decodes the carried MP3 once into an
// AudioBuffer and plays it through an AudioBufferSourceNode, started at a chosen time of the
// audio context. The audio output timestamp (AudioContext.getOutputTimestamp) says at which
// performance.now() instant a context time reaches the loudspeaker, so the tick count at which
// show time 0 is heard follows from where the music was started.
//
// The browser's decoder drops the MP3's encoder and decoder delay, which SDL_mixer plays and
// the track pays for with a lead-in: its sample k is the desktop mixer's sample k + 2 257. The
// clock is the desktop's, so that delay is added back.
#include "play/music.h"

#include "assets/catalogue.h"
#include "core/timeline.h"

#include <SDL.h>
#include <emscripten.h>

#include <algorithm>  // std::max
#include <cmath>      // std::floor, std::isnan, std::nan

namespace {
// Measured: the browser's first decoded sample is libmad's sample 2 257 (correlation 1.0).
constexpr int kDecoderDelaySamples = 2257;
constexpr double kDecoderDelayMs = kDecoderDelaySamples * 1000.0 / kAudioRate;
// How far ahead of the context's current time a start is scheduled, so that it is never in the
// past by the time the audio thread renders it: a start in the past begins late but from the
// sample asked for, and nothing says how late. Measured on a 2-core machine drawing with
// SwiftShader: with 0.1 s every skip's music came 140 ms after the picture; with 0.3 s none.
constexpr double kScheduleLeadSeconds = 0.3;
// An output timestamp older than this is not the sound now playing (the output updates it with
// every buffer it plays, a few milliseconds apart). The median of the latest few timestamps
// steadies the clock and follows a changed output within half as many frames.
constexpr double kFreshestTimestampMs = 100.0;
constexpr int kTimestampsKept = 9;
// A fresh timestamp this far off the kept ones belongs to an output that stopped and went on
// (a frozen page, a device suspended by the browser): those kept say nothing about it any
// more. Far above their jitter (Firefox's wander by some 30 ms).
constexpr double kOutputLeapMs = 250.0;
// How often the output gives a new timestamp, at the least: a few of its buffers.
constexpr std::int32_t kOutputBlockMs = 50;

bool track_decoded = false;
double ticks_origin_ms = 0.0;  // performance.now() when SDL's tick count was 0
std::int64_t fresh_stamps = 0;

// The decoded track in Module.corvanelTrack; false if the browser has no Web Audio or cannot
// decode it. The audio context starts suspended: the page resumes it on the viewer's click.
EM_ASYNC_JS(int, decode_track, (const unsigned char* bytes, int length, int rate), {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) {
        return 0;
    }
    try {
        const context = new Context({sampleRate : rate, latencyHint : 'interactive'});
        Module.corvanelAudio = {context : context, source : null, origin : 0, offsets : []};
        Module.corvanelTrack =
            await context.decodeAudioData(HEAPU8.slice(bytes, bytes + length).buffer);
        return 1;
    } catch (error) {
        console.warn('corvanel: the music cannot be played here: ' + error);
        return 0;
    }
});

// Starts the track at `from_seconds` into the decoded buffer, a little ahead of now, and notes
// the context time at which the buffer's sample 0 would play: everything the hearing needs.
EM_JS(void, start_track, (double from_seconds, double lead_seconds), {
    const audio = Module.corvanelAudio;
    if (audio.source) {
        audio.source.stop();
    }
    const source = audio.context.createBufferSource();
    source.buffer = Module.corvanelTrack;
    source.loop = true;
    source.connect(audio.context.destination);
    const when = audio.context.currentTime + lead_seconds;
    source.start(when, from_seconds);
    audio.source = source;
    audio.origin = when - from_seconds;
});

// Where in the decoded buffer the context has rendered to, in milliseconds; -1 with no track.
EM_JS(double, buffer_rendered_ms, (), {
    const audio = Module.corvanelAudio;
    return audio && audio.source ? (audio.context.currentTime - audio.origin) * 1000 : -1;
});

EM_JS(void, stop_track, (), {
    const audio = Module.corvanelAudio;
    if (audio && audio.source) {
        audio.source.stop();
        audio.source = null;
    }
});

// performance.now() at which the decoded buffer's sample 0 is (or would have been) heard: any
// number, since a track started far into the buffer is "heard" from before the page loaded;
// NaN until the output has given a fresh timestamp (the context says it runs seconds before
// the device really plays, and after a stall a timestamp can be one the output gave long ago).
// The timestamps come with some jitter: the median of the latest fresh ones maps context time
// to performance time, unless a fresh one leaps from them (the output stopped and went on), which
// starts them afresh. While none comes (a suspended device, a frozen page, a starved audio
// thread) what the context has rendered is taken as heard now, if that is later than the last
// mapping says: the picture holds with the music rather than run on without it.
EM_JS(double, buffer_start_heard_at, (double freshest_ms, int kept, double leap_ms), {
    const audio = Module.corvanelAudio;
    if (!audio || !audio.source) {
        return NaN;
    }
    const stamp = audio.context.getOutputTimestamp();
    audio.fresh = audio.context.state == 'running' &&
                  Math.abs(performance.now() - stamp.performanceTime) <= freshest_ms;
    const median = function()
    {
        const sorted = audio.offsets.slice().sort(function(a, b) { return a - b; });
        return sorted[sorted.length >> 1];
    };
    if (audio.fresh) {
        const offset = stamp.performanceTime - stamp.contextTime * 1000;
        if (audio.offsets.length && Math.abs(offset - median()) > leap_ms) {
            audio.offsets = [];
        }
        audio.offsets.push(offset);
        if (audio.offsets.length > kept) {
            audio.offsets.shift();
        }
    }
    if (!audio.offsets.length) {
        return NaN;
    }
    const rendered_now = performance.now() - audio.context.currentTime * 1000;
    return (audio.fresh ? median() : Math.max(median(), rendered_now)) + audio.origin * 1000;
});

EM_JS(int, stamp_was_fresh, (), { return Module.corvanelAudio.fresh ? 1 : 0; });

// SDL counts its ticks from the monotonic clock, which here is performance.now(): the origin
// is found where the tick count steps, to well under a millisecond. (Bounded, should the
// count stand still.)
double find_ticks_origin()
{
    constexpr int kMostReads = 1 << 20;
    const Uint32 before = SDL_GetTicks();
    Uint32 now = before;
    double at = emscripten_get_now();
    for (int k = 0; k < kMostReads && now == before; ++k) {
        at = emscripten_get_now();
        now = SDL_GetTicks();
    }
    return at - now;
}
}  // namespace

void open_music()
{
    track_decoded = decode_track(music_track.bytes, music_track.length, kAudioRate) != 0;
    ticks_origin_ms = find_ticks_origin();
}

bool music_plays()
{
    return track_decoded;
}

void play_music(std::int32_t from_show_ms)
{
    if (track_decoded) {
        start_track(std::max(0.0, (from_show_ms - kDecoderDelayMs) / 1000.0), kScheduleLeadSeconds);
    }
}

// The browser seeks to the sample: the music resumes exactly at the show time asked for, after
// the scheduling lead, and the clock waits for it. (A skip always lands past the lead-in the
// browser does not have.)
void seek_music_to(std::int32_t show_ms)
{
    if (track_decoded && show_ms >= kDecoderDelayMs) {
        start_track((show_ms - kDecoderDelayMs) / 1000.0, kScheduleLeadSeconds);
    }
}

// The browser's audio output does not go away under the page.
bool music_device_lost()
{
    return false;
}

void reopen_music() {}

void close_music()
{
    stop_track();
}

HeardMusic music_heard()
{
    const double buffer_heard_at =
        track_decoded ? buffer_start_heard_at(kFreshestTimestampMs, kTimestampsKept, kOutputLeapMs)
                      : std::nan("");
    if (std::isnan(buffer_heard_at)) {
        return HeardMusic{false, 0, 0, fresh_stamps, kOutputBlockMs};
    }
    fresh_stamps += stamp_was_fresh();
    // Show time 0 is the desktop mixer's sample 0, heard the decoder's delay before the
    // buffer's sample 0 would be.
    const double show_start_ms = buffer_heard_at - kDecoderDelayMs - ticks_origin_ms;
    const double rendered_ms = buffer_rendered_ms() + kDecoderDelayMs;
    return HeardMusic{true, static_cast<std::int32_t>(std::floor(show_start_ms + 0.5)),
                      static_cast<std::int32_t>(rendered_ms), fresh_stamps, kOutputBlockMs};
}
