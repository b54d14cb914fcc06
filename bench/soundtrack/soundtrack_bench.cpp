// Generation time of the soundtrack, in its stages and whole. Each run is seconds long, so
// every benchmark runs once per repetition; ask for repetitions to get a median.
#include "encode.h"
#include "master.h"
#include "mixdown.h"
#include "score.h"
#include "soundtrack.h"

#include <benchmark/benchmark.h>

namespace {
std::int64_t track_samples()
{
    return playback_lead_samples() + encoded_samples();
}

void render_mix(benchmark::State& state)
{
    const std::vector<Note> notes = compose_score();
    for (auto _ : state) {
        StereoBuffer pcm = mix_piece(notes, track_samples());
        benchmark::DoNotOptimize(pcm.left.data());
    }
}

void master_and_encode(benchmark::State& state)
{
    const StereoBuffer mix = mix_piece(compose_score(), encoded_samples());
    for (auto _ : state) {
        StereoBuffer pcm = mix;
        master_track(pcm, kTargetLufs, 0.8f);
        std::vector<unsigned char> mp3 = encode_mp3(pcm);
        benchmark::DoNotOptimize(mp3.data());
    }
}

void whole_soundtrack(benchmark::State& state)
{
    for (auto _ : state) {
        Soundtrack s = make_soundtrack();
        benchmark::DoNotOptimize(s.mp3.data());
        state.counters["render_s"] = s.render_seconds;
        state.counters["master_encode_check_s"] = s.encode_seconds;
    }
}
}  // namespace

BENCHMARK(render_mix)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(master_and_encode)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(whole_soundtrack)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_MAIN();
