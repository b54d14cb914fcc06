// corvanel-capture: the show rendered without a display into a video file with its music, the
// capture stage of the player. The start-up order matters: the output file first, so that an
// unwritable path fails before any work; the mixer next, so that the music is being made while
// the pictures load; then the context at the capture's size, and the player's loading, as the
// show sets itself up.
//
// Two threads share the work once frames flow. This one draws frame k and queues its
// readback, then hands frame k - 1, mapped, to the encoder thread, which converts and encodes
// it with the sound that plays while it is shown. A ring of readback slots keeps either side
// from waiting on the other unless it runs a whole ring ahead. The clock is the frame's own
// moment, not the time it takes to draw.
#include "assets/texture_bank.h"
#include "capture/encoder.h"
#include "capture/leftover.h"
#include "capture/offscreen.h"
#include "capture/options.h"
#include "capture/partial_file.h"
#include "capture/soundtrack.h"
#include "core/beat_clock.h"
#include "core/screen.h"
#include "core/timeline.h"
#include "play/player.h"
#include "play/stage.h"
#include "play/standard_descriptors.h"

#include <SDL.h>
#include <sys/stat.h>  // stat
#include <unistd.h>    // isatty, write

#include <algorithm>  // std::min, std::max_element
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>  // std::signal, std::raise, sigprocmask
#include <cstdio>
#include <cstdlib>  // std::atexit
#include <cstring>  // std::strlen, std::strerror
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {
constexpr int kStatusFailed = 1;
constexpr int kStatusUsage = 2;
constexpr int kStatusBySignal = 128;
constexpr int kSignalsToAbandon = 3;
constexpr double kProgressEverySeconds = 0.25;
constexpr double kProgressEverySecondsInLogs = 10.0;

using Clock = std::chrono::steady_clock;

// Any thread may take a signal, and two may take one each at once: plain lock-free atomics.
std::atomic<int> interrupted{0};  // the first SIGINT or SIGTERM, 0 until then
std::atomic<int> signals_seen{0};
static_assert(std::atomic<int>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");
const bool stderr_is_terminal = isatty(2) != 0;

// The first Ctrl-C (or SIGTERM, or SIGHUP from a closed terminal) finishes the file with the
// frames so far. Finishing takes a moment, and an impatient second Ctrl-C must not cost the
// file: it is only answered. A third gives up: the unfinished file goes, whatever stood at OUT
// stays, and the signal ends the process as it would have without this handler. A reader of
// standard error that went away (SIGPIPE, as `2>&1 | head -n1` does) ends the capture as Ctrl-C
// does, but every later line raises it again, so it counts once and never abandons the file.
extern "C" void note_interrupt(int signal)
{
    int none = 0;
    interrupted.compare_exchange_strong(none, signal);
    if (signal == SIGPIPE) {
        return;
    }
    const int seen = signals_seen.fetch_add(1) + 1;
    if (seen == kSignalsToAbandon - 1) {
        // On a terminal the progress line has no end of line yet.
        const char* note = "\ncorvanel-capture: finishing the file; once more abandons it\n";
        note += stderr_is_terminal ? 0 : 1;
        const ssize_t ignored = write(2, note, std::strlen(note));
        static_cast<void>(ignored);
    } else if (seen >= kSignalsToAbandon) {
        partial_remove_all_now();
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

// 130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP, 141 for SIGPIPE: what a shell reports for
// a process the signal ended.
int interrupted_status()
{
    return kStatusBySignal + interrupted.load();
}

void catch_interrupts()
{
    // A parent may start us with them blocked (the mask outlives exec); then Ctrl-C would
    // never reach the handler, and one sent already is waiting.
    sigset_t stops;
    sigemptyset(&stops);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        std::signal(signal, note_interrupt);
        sigaddset(&stops, signal);
    }
    sigprocmask(SIG_UNBLOCK, &stops, nullptr);
    // Past the file-size limit (ulimit -f) a write then fails, and the capture says so, rather
    // than the signal ending it without a word.
    std::signal(SIGXFSZ, SIG_IGN);
}

struct Job {
    std::int64_t frame;
    int slot;
    const unsigned char* pixels;
};

struct Pipeline {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Job> jobs;
    bool busy[kReadbackSlots] = {};    // handed to the encoder and not yet converted
    bool mapped[kReadbackSlots] = {};  // only this thread maps and unmaps
    bool no_more_jobs = false;
    bool failed = false;
    std::string failure;
    std::atomic<std::int64_t> encoded{0};
};
Pipeline pipeline;

EncoderStart start;  // where drawing and sound begin

// Set once the file is finished or removed; until then any exit removes the half-written file.
bool output_settled = true;

void remove_unsettled_output()
{
    if (!output_settled) {
        encoder_abandon();
    }
}

void stop_pipeline(const std::string& why)
{
    std::lock_guard<std::mutex> hold(pipeline.lock);
    if (!pipeline.failed) {
        pipeline.failed = true;
        pipeline.failure = why;
    }
    pipeline.changed.notify_all();
}

// The file being written, looked for once a second: a folder removed under the capture would
// otherwise go unnoticed until the finished file had nowhere to go.
bool output_still_there()
{
    static Clock::time_point next_look = Clock::now();
    const Clock::time_point now = Clock::now();
    if (now < next_look) {
        return true;
    }
    next_look = now + std::chrono::seconds(1);
    struct stat partial {};
    if (stat(encoder_partial_path(), &partial) == 0) {
        return true;
    }
    stop_pipeline(std::string("the file being written went away (its folder removed?): ") +
                  std::strerror(errno));
    return false;
}

void encode_frames(const CaptureOptions& options)
{
    for (;;) {
        Job job{};
        {
            std::unique_lock<std::mutex> hold(pipeline.lock);
            pipeline.changed.wait(hold,
                                  [] { return !pipeline.jobs.empty() || pipeline.no_more_jobs; });
            if (pipeline.jobs.empty()) {
                return;
            }
            job = pipeline.jobs.front();
            pipeline.jobs.pop_front();
        }
        const bool converted = encoder_video(job.pixels, job.frame);
        {
            std::lock_guard<std::mutex> hold(pipeline.lock);
            pipeline.busy[job.slot] = false;
        }
        pipeline.changed.notify_all();
        const std::int64_t sound_until =
            capture_audio_frames(options, job.frame + 1) - start.sound_from;
        if (!converted) {
            stop_pipeline(encoder_failure());
            return;
        }
        if (!soundtrack_wait(sound_until)) {
            stop_pipeline("the mixer stopped making the music");
            return;
        }
        if (!encoder_audio(soundtrack_samples(), sound_until)) {
            stop_pipeline(encoder_failure());
            return;
        }
        pipeline.encoded.store(job.frame + 1);
    }
}

// Waits until the encoder has converted what the slot held, then frees it for a new frame.
bool claim_slot(int slot)
{
    std::unique_lock<std::mutex> hold(pipeline.lock);
    pipeline.changed.wait(hold, [slot] { return !pipeline.busy[slot] || pipeline.failed; });
    if (pipeline.failed) {
        return false;
    }
    if (pipeline.mapped[slot]) {
        offscreen_unmap(slot);
        pipeline.mapped[slot] = false;
    }
    return true;
}

void hand_over(std::int64_t frame)
{
    const int slot = static_cast<int>(frame % kReadbackSlots);
    const unsigned char* pixels = offscreen_map(slot);
    std::lock_guard<std::mutex> hold(pipeline.lock);
    if (pixels == nullptr) {
        pipeline.failed = true;
        pipeline.failure = "OpenGL could not map a frame read back";
    } else {
        pipeline.mapped[slot] = true;
        pipeline.busy[slot] = true;
        pipeline.jobs.push_back(Job{frame, slot, pixels});
    }
    pipeline.changed.notify_all();
}

void finish_jobs()
{
    {
        std::lock_guard<std::mutex> hold(pipeline.lock);
        pipeline.no_more_jobs = true;
    }
    pipeline.changed.notify_all();
}

std::string clock_time(double seconds)
{
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// On a terminal one line, rewritten a few times a second; in a log a line as soon as the first
// frame is encoded (evidence that the capture is under way), then one now and then.
struct Progress {
    std::int64_t resumed_frames = 0;  // frames a resumed capture already held
    Clock::time_point start = Clock::now();
    Clock::time_point shown = start;
    bool terminal = stderr_is_terminal;
    bool started = false;

    double rate(std::int64_t done, Clock::time_point now) const
    {
        const double elapsed = std::chrono::duration<double>(now - start).count();
        return elapsed > 0 ? (done - resumed_frames) / elapsed : 0.0;
    }

    void show(std::int64_t done, std::int64_t total, bool last)
    {
        const Clock::time_point now = Clock::now();
        const double since = std::chrono::duration<double>(now - shown).count();
        const bool first = !terminal && !started && done > resumed_frames;
        if (!last && !first &&
            since < (terminal ? kProgressEverySeconds : kProgressEverySecondsInLogs)) {
            return;
        }
        started = started || done > resumed_frames;
        shown = now;
        const double rate = this->rate(done, now);
        const std::string left = rate > 0 ? clock_time((total - done) / rate) : "?";
        std::fprintf(stderr, "%scorvanel-capture: frame %lld of %lld, %.1f fps, %s left%s",
                     terminal ? "\r" : "", static_cast<long long>(done),
                     static_cast<long long>(total), rate, left.c_str(),
                     terminal && !last ? "  " : "\n");
    }
};

// Files that captures of OUT left unfinished (killed, or their machine stopped) are named, with
// what they hold; with --resume the one made with these settings that holds the most is gone on
// from, or said to be missing.
const Leftover* look_for_leftovers(const PartialTarget& target, const CaptureOptions& options)
{
    static Leftover chosen;
    const std::string settings = capture_settings_text(options);
    std::vector<Leftover> found;
    for (const std::string& path : partial_leftovers(target)) {
        Leftover leftover;
        if (!leftover_read(path, leftover)) {
            std::fprintf(stderr,
                         "corvanel-capture: %s, left by a capture that did not finish, "
                         "holds nothing that plays\n",
                         path.c_str());
        } else if (leftover.settings != settings) {
            std::fprintf(stderr,
                         "corvanel-capture: %s, left by a capture that did not finish, "
                         "holds %.3f s made with other settings (%s)\n",
                         path.c_str(), leftover.seconds, leftover.settings.c_str());
        } else {
            found.push_back(leftover);
        }
    }
    const auto most =
        std::max_element(found.begin(), found.end(),
                         [](const Leftover& a, const Leftover& b) { return a.frames < b.frames; });
    const double from = options.from_ms / 1000.0;
    for (auto it = found.begin(); it != found.end(); ++it) {
        const bool going_on = options.resume && it == most;
        std::fprintf(stderr,
                     "corvanel-capture: %s%s, left by a capture that did not finish, "
                     "holds %.3f s to %.3f s of the show%s\n",
                     going_on ? "going on from " : "", it->path.c_str(), from, from + it->seconds,
                     going_on ? "" : "; --resume goes on from it");
    }
    if (options.resume && most == found.end()) {
        std::fprintf(stderr,
                     "corvanel-capture: nothing to resume for %s with these settings; "
                     "capturing from the start\n",
                     options.out.c_str());
    }
    if (!options.resume || most == found.end()) {
        return nullptr;
    }
    chosen = *most;
    return &chosen;
}

int fail_setup(const std::string& why)
{
    std::fprintf(stderr, "corvanel-capture: %s\n", why.c_str());
    return kStatusFailed;
}

CaptureOptions options;
std::int64_t total = 0;        // frames to capture
std::int64_t frames_read = 0;  // frames whose readback has been queued
std::thread encoder;
Progress progress;
}  // namespace

void stage_start()
{
    encoder = std::thread(encode_frames, std::cref(options));
    progress = Progress{};
    progress.resumed_frames = start.frame;
}

bool stage_begin_pass()
{
    if (frames_read >= total || interrupted != 0 || !output_still_there()) {
        return false;
    }
    timing_set_ms(capture_frame_ms(options, frames_read));
    return true;
}

bool stage_present_frame()
{
    if (!claim_slot(static_cast<int>(frames_read % kReadbackSlots))) {
        return false;
    }
    offscreen_read(static_cast<int>(frames_read % kReadbackSlots));
    if (frames_read > start.frame) {
        hand_over(frames_read - 1);
    }
    ++frames_read;
    soundtrack_poll();
    progress.show(pipeline.encoded.load(), total, false);
    return true;
}

void stage_stop()
{
    if (frames_read > start.frame && !pipeline.failed) {
        hand_over(frames_read - 1);
    }
    finish_jobs();
    encoder.join();
}

int main(int argc, char* argv[])
{
    open_standard_descriptors();
    std::string error;
    switch (parse_capture_options(argc, argv, options, error)) {
        case ParseResult::help:
            std::fputs(kCaptureUsage, stdout);
            return 0;
        case ParseResult::error:
            std::fprintf(stderr, "corvanel-capture: %s\n", error.c_str());
            return kStatusUsage;
        case ParseResult::run:
            break;
    }
    catch_interrupts();

    total = capture_frame_count(options);
    PartialTarget target;
    target.out = options.out;
    target.force = options.force;
    if (!partial_create(target, error)) {
        return fail_setup(error);
    }
    output_settled = false;
    std::atexit(remove_unsettled_output);
    const Leftover* resumed = look_for_leftovers(target, options);
    if (!encoder_open(options, target, resumed, start, error)) {
        return fail_setup(error);
    }
    frames_read = start.frame;
    pipeline.encoded.store(start.frame);
    const std::int64_t first_sample = std::int64_t{options.from_ms} * kAudioRate / 1000;
    if (!soundtrack_start(first_sample + start.sound_from,
                          capture_audio_frames(options, total) - start.sound_from, error) ||
        !offscreen_open(options.width, options.height, error)) {
        return fail_setup(error);
    }
    std::fprintf(stderr, "corvanel-capture: %lld frames of %d x %d at %.5g fps, drawn by %s\n",
                 static_cast<long long>(total), options.width, options.height,
                 static_cast<double>(options.fps_num) / options.fps_den,
                 offscreen_renderer().c_str());
    screen_resize(options.width, options.height);
    player_load();
    player_play();
    for (int slot = 0; slot < kReadbackSlots; ++slot) {
        if (pipeline.mapped[slot]) {
            offscreen_unmap(slot);
        }
    }
    free_textures();
    offscreen_close();

    const std::int64_t done = pipeline.encoded.load();
    const double seconds = std::min(static_cast<double>(done) * options.fps_den / options.fps_num,
                                    capture_show_end_ms(options) / 1000.0);
    const char* out = options.out.c_str();
    if (pipeline.failed || (interrupted != 0 && done == 0)) {
        encoder_abandon();
        output_settled = true;
        soundtrack_stop();
        SDL_Quit();
        if (pipeline.failed) {
            return fail_setup(pipeline.failure + "; nothing written to " + options.out);
        }
        std::fprintf(stderr,
                     "corvanel-capture: interrupted before the first frame; nothing written to "
                     "%s\n",
                     out);
        return interrupted_status();
    }
    progress.show(done, total, true);
    const double rate = progress.rate(done, Clock::now());
    const bool finished = encoder_finish(
        soundtrack_samples(), capture_audio_frames(options, done) - start.sound_from, error);
    output_settled = true;
    soundtrack_stop();
    SDL_Quit();
    if (!finished) {
        return fail_setup(error);
    }
    if (resumed != nullptr) {
        partial_remove(resumed->path);  // all it held is in OUT now
    }
    // An interrupt that came after the last frame was drawn cut nothing short.
    if (interrupted != 0 && done < total) {
        std::fprintf(stderr,
                     "corvanel-capture: interrupted; %s holds the first %lld frames (%.3f s) and "
                     "plays\n",
                     out, static_cast<long long>(done), seconds);
        return interrupted_status();
    }
    std::fprintf(stderr, "corvanel-capture: wrote %s: %lld frames, %.3f s, at %.2f fps\n", out,
                 static_cast<long long>(done), seconds, rate);
    return 0;
}
