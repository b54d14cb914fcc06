/* Records what a loudspeaker on the private sound server would play: the null sink's monitor,
 * 48 kHz signed 16-bit stereo, until SIGTERM or SIGINT (or at most SECONDS, 600 unless given).
 * Writes OUT.raw (the samples) and OUT.stamps,
 * one line per read: "<CLOCK_MONOTONIC ns when the read returned> <frames recorded so far>".
 * The reads are 20 ms: short enough to time the recording to a millisecond from its
 * earliest-returning reads, long enough not to lower a PipeWire graph's quantum below the
 * show's own.
 * OUT.ready appears once the first read has returned: the recording is running.
 *   record_monitor OUT [SECONDS]
 */
#include <pulse/error.h>
#include <pulse/simple.h>

#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

enum { kRate = 48000, kChannels = 2, kReadFrames = kRate / 50 };

static volatile sig_atomic_t stopping = 0;

static void stop(int signal)
{
    (void)signal;
    stopping = 1;
}

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        fprintf(stderr, "usage: record_monitor OUT [SECONDS]\n");
        return 2;
    }
    signal(SIGTERM, stop);
    signal(SIGINT, stop);
    const pa_sample_spec sample_format = {PA_SAMPLE_S16LE, kRate, kChannels};
    const pa_buffer_attr attr = {(uint32_t)-1, (uint32_t)-1, (uint32_t)-1, (uint32_t)-1,
                                 kReadFrames * kChannels * 2};
    int error = 0;
    pa_simple* stream = pa_simple_new(NULL, "corvanel-test", PA_STREAM_RECORD, "null.monitor",
                                      "monitor", &sample_format, NULL, &attr, &error);
    if (!stream) {
        fprintf(stderr, "record_monitor: %s\n", pa_strerror(error));
        return 1;
    }
    char path[4096];
    snprintf(path, sizeof path, "%s.raw", argv[1]);
    FILE* samples = fopen(path, "wb");
    snprintf(path, sizeof path, "%s.stamps", argv[1]);
    FILE* stamps = fopen(path, "w");
    if (!samples || !stamps) {
        fprintf(stderr, "record_monitor: cannot write %s\n", argv[1]);
        return 1;
    }
    static int16_t buffer[kReadFrames * kChannels];
    const long reads = (long)((argc == 3 ? atof(argv[2]) : 600) * kRate / kReadFrames);
    for (long k = 1; k <= reads && !stopping; ++k) {
        if (pa_simple_read(stream, buffer, sizeof buffer, &error) < 0) {
            fprintf(stderr, "record_monitor: %s\n", pa_strerror(error));
            return 1;
        }
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        fwrite(buffer, sizeof buffer, 1, samples);
        fprintf(stamps, "%lld %ld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec,
                k * kReadFrames);
        if (k == 1) {
            snprintf(path, sizeof path, "%s.ready", argv[1]);
            FILE* ready = fopen(path, "w");
            if (ready) {
                fclose(ready);
            }
        }
    }
    fclose(samples);
    fclose(stamps);
    pa_simple_free(stream);
    return 0;
}
