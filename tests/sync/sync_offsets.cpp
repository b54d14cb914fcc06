// How far the music a listener hears is from the picture. For each probe the show printed
// (when its loop pass read the clock, when its frame was swapped, the beats read and the lead
// drawn with), finds in the recording of the sink's monitor when the music for that moment was
// heard, by matching a quarter second of the track as the show's mixer plays it.
//   sync_offsets <music.mp3> <recording prefix> <probes> <limit ms> <probe limit ms>
// Exits 1 if the median offset from the frames' swaps exceeds the limit plus how far from the
// show's estimate the probed frames appeared, in median (a busy machine's drawing varies), or
// over a third of the probes lie beyond the probe limit from where the show aimed them (its
// reading plus its lead; without a lead, the swap). Only music heard intact (not a dropout) is
// judged. Positive offsets: the music is late. The recording is one stretch without a gap.
#include "core/timeline.h"
#include "playback_capture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
constexpr std::int64_t kWindow = kAudioRate / 4;
constexpr std::int64_t kSearchBefore = kAudioRate * 3 / 10;
constexpr std::int64_t kSearchAfter = kAudioRate;
constexpr int kCoarse = 8;         // samples averaged in the first, coarse search
constexpr int kTimingReads = 100;  // the recorder's reads of its first two seconds
constexpr double kIntact = 0.97;   // heard as played: 0.999 and more; in a dropout 0.85 to 0.95

struct Probe {
    double read_ns, swap_ns, beats, lead_ms;
};

double median_of(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<float> downsampled(const std::vector<float>& x, std::int64_t from, std::int64_t n)
{
    std::vector<float> out(static_cast<std::size_t>(n / kCoarse));
    for (std::size_t i = 0; i < out.size(); ++i) {
        for (int j = 0; j < kCoarse; ++j) {
            out[i] += x[from + static_cast<std::int64_t>(i) * kCoarse + j];
        }
    }
    return out;
}

// Normalised correlation of `pattern` with `signal` at `at`.
double match(const std::vector<float>& signal, std::int64_t at, const std::vector<float>& pattern)
{
    double dot = 0, energy = 0, pattern_energy = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const double s = signal[at + i];
        dot += s * pattern[i];
        energy += s * s;
        pattern_energy += static_cast<double>(pattern[i]) * pattern[i];
    }
    return energy > 0 && pattern_energy > 0 ? dot / std::sqrt(energy * pattern_energy) : 0.0;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr,
                     "usage: sync_offsets MUSIC.mp3 RECORDING PROBES LIMIT_MS PROBE_LIMIT_MS\n");
        return 2;
    }
    std::ifstream mp3_file(argv[1], std::ios::binary);
    const std::vector<unsigned char> mp3(std::istreambuf_iterator<char>(mp3_file), {});
    std::ifstream raw(std::string(argv[2]) + ".raw", std::ios::binary);
    const std::vector<char> bytes(std::istreambuf_iterator<char>(raw), {});
    std::ifstream stamps(std::string(argv[2]) + ".stamps");
    std::ifstream probe_file(argv[3]);
    const double limit_ms = std::atof(argv[4]);
    const double probe_limit_ms = std::atof(argv[5]);
    // The recording's sample 0 was played at t0: every read returns after its last sample
    // was played, so the earliest-returning read bounds it best; of the first two seconds' reads
    // only, before any disturbance (a server that raised its quantum hands whole quanta over
    // at once, the last samples before they would have been played).
    double t0_ns = 1e30, stamp_ns = 0, frames = 0;
    for (int reads = 0; reads < kTimingReads && stamps >> stamp_ns >> frames; ++reads) {
        t0_ns = std::min(t0_ns, stamp_ns - frames * 1e9 / kAudioRate);
    }
    std::vector<float> heard(bytes.size() / 4);
    for (std::size_t i = 0; i < heard.size(); ++i) {
        const auto* frame = reinterpret_cast<const std::int16_t*>(&bytes[i * 4]);
        heard[i] = (frame[0] + frame[1]) / 65536.0f;
    }
    std::vector<Probe> probes;
    double latest_beats = 0;
    Probe p{};
    while (probe_file >> p.read_ns >> p.swap_ns >> p.beats >> p.lead_ms) {
        // A press and its release handled in one pass are one probe.
        if (probes.empty() || probes.back().read_ns != p.read_ns) {
            probes.push_back(p);
        }
        latest_beats = std::max(latest_beats, p.beats);
    }
    if (probes.empty() || heard.empty()) {
        std::fprintf(stderr, "sync_offsets: no probes or no recording\n");
        return 1;
    }
    const std::int64_t track_frames =
        static_cast<std::int64_t>((latest_beats / kShowBpm * 60 + 1) * kAudioRate);
    const Capture track = capture_playback(mp3, track_frames);
    if (!track.error.empty()) {
        std::fprintf(stderr, "sync_offsets: %s\n", track.error.c_str());
        return 1;
    }
    std::vector<float> played(static_cast<std::size_t>(track_frames));
    for (std::size_t i = 0; i < played.size(); ++i) {
        played[i] = (track.samples[2 * i] + track.samples[2 * i + 1]) / 65536.0f;
    }

    std::vector<double> offsets, swap_offsets, leads, aims, unforeseen;
    for (const Probe& probe : probes) {
        const auto moment =
            static_cast<std::int64_t>(std::llround(probe.beats / kShowBpm * 60 * kAudioRate));
        const std::int64_t expected =
            static_cast<std::int64_t>((probe.read_ns - t0_ns) * kAudioRate / 1e9);
        const std::int64_t first = std::max<std::int64_t>(0, expected - kSearchBefore);
        const std::int64_t last = std::min<std::int64_t>(
            static_cast<std::int64_t>(heard.size()) - kWindow - kCoarse, expected + kSearchAfter);
        if (last <= first || moment + kWindow > track_frames) {
            std::printf("beat %10.4f: outside the recording\n", probe.beats);
            continue;
        }
        const std::vector<float> pattern_coarse = downsampled(played, moment, kWindow);
        const std::vector<float> heard_coarse = downsampled(heard, first, last - first + kWindow);
        double best = -1;
        std::int64_t best_at = first;
        for (std::int64_t i = 0; (i + 1) * kCoarse <= last - first; ++i) {
            const double m = match(heard_coarse, i, pattern_coarse);
            if (m > best) {
                best = m;
                best_at = first + i * kCoarse;
            }
        }
        const std::vector<float> pattern(played.begin() + moment,
                                         played.begin() + moment + kWindow);
        const std::int64_t coarse_at = best_at;
        for (std::int64_t at = std::max(first, coarse_at - 2 * kCoarse);
             at <= std::min(last, coarse_at + 2 * kCoarse); ++at) {
            const double m = match(heard, at, pattern);
            if (m >= best) {
                best = m;
                best_at = at;
            }
        }
        const double heard_ns = t0_ns + static_cast<double>(best_at) * 1e9 / kAudioRate;
        const double offset_ms = (heard_ns - probe.read_ns) / 1e6;
        const double after_swap_ms = (heard_ns - probe.swap_ns) / 1e6;
        if (best > kIntact) {
            offsets.push_back(offset_ms);
            swap_offsets.push_back(after_swap_ms);
            leads.push_back(probe.lead_ms);
            aims.push_back(probe.lead_ms >= 0 ? offset_ms - probe.lead_ms : after_swap_ms);
            unforeseen.push_back(
                probe.lead_ms >= 0 ? std::fabs(offset_ms - after_swap_ms - probe.lead_ms) : 0);
        }
        std::printf(
            "beat %10.4f: music heard %+7.1f ms after the clock read it, %+7.1f ms after "
            "the frame's swap (match %.3f)\n",
            probe.beats, offset_ms, after_swap_ms, best);
    }
    if (offsets.size() < probes.size() / 2) {
        std::printf("too few probes matched the music\n");
        return 1;
    }
    const auto [earliest, latest] = std::minmax_element(swap_offsets.begin(), swap_offsets.end());
    const auto [aim_earliest, aim_latest] = std::minmax_element(aims.begin(), aims.end());
    const double median = median_of(swap_offsets);
    std::printf("at the clock read, median %+.1f ms", median_of(offsets));
    if (median_of(leads) >= 0) {  // -1: not noted
        std::printf("; the show's lead, median %.0f ms", median_of(leads));
    }
    std::printf("; from the aim %+.1f to %+.1f ms\n", *aim_earliest, *aim_latest);
    std::printf(
        "offset at the swap min / median / max: %+.1f / %+.1f / %+.1f ms; the frames "
        "appeared %.1f ms from the estimate, median\n",
        *earliest, median, *latest, median_of(unforeseen));
    const auto astray = std::count_if(aims.begin(), aims.end(),
                                      [&](double aim) { return std::fabs(aim) > probe_limit_ms; });
    const bool seen_with_music = std::fabs(median) <= limit_ms + median_of(unforeseen);
    return seen_with_music && 3 * astray <= static_cast<long>(aims.size()) ? 0 : 1;
}
