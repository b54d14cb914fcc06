// Depends on a standard thread for the writer, and on write(2) where there is POSIX: the
// writer may be blocked on the output when the process ends, and the C library's streams,
// whose lock it would hold, are flushed at exit. A web page has neither a thread to spare nor
// an output that blocks: there each line is written at once.
#include "play/probe.h"

#include "core/beat_clock.h"

#include <cstdio>  // std::snprintf; std::fwrite, std::fflush on Windows
#include <string>

#ifndef __EMSCRIPTEN__
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#endif
#ifndef _WIN32
#include <unistd.h>  // write, STDOUT_FILENO

#include <cerrno>
#endif

namespace {
constexpr int kNumberBytes = 64;

std::string line;  // the line being put together, on the main thread

// Writes all of `text`, or gives up where the output refuses it.
void write_out(const std::string& text)
{
#ifdef _WIN32
    // SDL's entry has sent standard output to a file beside the executable.
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
#else
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return;
        }
        done += static_cast<std::size_t>(wrote);
    }
#endif
}

#ifdef __EMSCRIPTEN__
void queue_line()
{
    write_out(line);
    line.clear();
}

void finish_lines() {}
#else
// A line is about 55 bytes: the queue holds over a thousand of them.
constexpr std::size_t kQueuedBytesAtMost = 64 * 1024;
// What the output may still take at the end before the show ends without it.
constexpr auto kFinishWithin = std::chrono::seconds(1);

struct Output {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::string> lines;
    std::size_t queued_bytes = 0;
    bool writing = false;  // the writer holds a line it has taken from the queue
    bool writer_started = false;
};
// Never destroyed: the writer may still be waiting on it while the process ends.
Output& output = *new Output;

void write_lines()
{
    std::unique_lock<std::mutex> hold(output.lock);
    for (;;) {
        output.changed.wait(hold, [] { return !output.lines.empty(); });
        const std::string text = std::move(output.lines.front());
        output.lines.pop_front();
        output.queued_bytes -= text.size();
        output.writing = true;
        hold.unlock();
        write_out(text);
        hold.lock();
        output.writing = false;
        output.changed.notify_all();
    }
}

void queue_line()
{
    const std::lock_guard<std::mutex> hold(output.lock);
    if (output.queued_bytes + line.size() <= kQueuedBytesAtMost) {
        if (!output.writer_started) {
            // Lives until the process ends: it may be blocked on the output then.
            std::thread(write_lines).detach();
            output.writer_started = true;
        }
        output.queued_bytes += line.size();
        output.lines.push_back(line);
        output.changed.notify_all();
    }
    line.clear();
}

void finish_lines()
{
    std::unique_lock<std::mutex> hold(output.lock);
    output.changed.wait_for(hold, kFinishWithin,
                            [] { return output.lines.empty() && !output.writing; });
}
#endif

void append_beats(const char* format)
{
    char number[kNumberBytes];
    std::snprintf(number, sizeof number, format, static_cast<double>(timing_beats));
    line += number;
}
}  // namespace

void probe_open()
{
    append_beats("|| timing_beats > %f && timing_beats <= ");
}

void probe_close()
{
    append_beats("%f\n");
    queue_line();
}

void probe_finish()
{
    finish_lines();
}
