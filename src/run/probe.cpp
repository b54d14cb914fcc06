#include "run/probe.h"

#include "core/beat_clock.h"

#include <cstdio>  // std::printf

void probe_open()
{
    std::printf("|| timing_beats > %f && timing_beats <= ", timing_beats);
}

void probe_close()
{
    std::printf("%f\n", timing_beats);
}
