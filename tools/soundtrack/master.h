#pragma once
// Mastering: sets the track's integrated loudness and keeps its peaks under a ceiling with a
// look-ahead limiter. Loudness and true peak are measured with libebur128 (EBU R 128).
//
//   master_track(pcm, -14.0, ceiling);              // gain, limit, re-measure, repeat
//   Loudness l = measure_loudness(pcm);             // integrated LUFS, true peak in dBTP

#include "synth.h"

struct Loudness {
    double integrated_lufs;
    double true_peak_dbtp;
};

Loudness measure_loudness(const StereoBuffer& pcm);
double integrated_loudness(const StereoBuffer& pcm);  // cheaper: no oversampled peak search
void scale(StereoBuffer& pcm, float gain);
// Brings every sample to at most `ceiling` (linear) with smooth gain changes that start
// ahead of each peak, so no waveform is ever clipped.
void limit_peaks(StereoBuffer& pcm, float ceiling);
// Gain and limiting until the integrated loudness is within 0.05 LU of the target.
void master_track(StereoBuffer& pcm, double target_lufs, float ceiling);
