#include "run/probe.h"

#include "core/beat_clock.h"

#include <cstdio>  // std::printf, std::fflush

void probe_open()
{
    std::printf("|| timing_beats > %f && timing_beats <= ", timing_beats);
}

// Each line reaches a file or a pipe as it ends, not when the show does (or never, if the show
// is killed). Flushed by hand: Windows' C library has no line buffering.
void probe_close()
{
    std::printf("%f\n", timing_beats);
    std::fflush(stdout);
}
