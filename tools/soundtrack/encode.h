#pragma once
// MP3 encoding through libmp3lame's C API, and decoding back through its decoder so the tool
// can measure what a player will actually hear.
//
//   std::vector<unsigned char> mp3 = encode_mp3(pcm);  // 48 kHz joint stereo VBR, info frame
//   StereoBuffer heard = decode_mp3(mp3);

#include "core/timeline.h"  // kMp3FrameSamples
#include "synth.h"

#include <cstdint>
#include <vector>

// The "-V 2" class. This music is bright (noise hats, cymbals, detuned saws): at 2.0 with the
// encoder's own low-pass it averages about 190 kbit/s; half a step and a 16 kHz low-pass bring
// it to about 175 kbit/s with nothing audible lost above the hats' body.
constexpr double kVbrQuality = 2.5;
constexpr int kLowPassHz = 16000;

std::vector<unsigned char> encode_mp3(const StereoBuffer& pcm);
StereoBuffer decode_mp3(const std::vector<unsigned char>& mp3);
int mp3_encoder_delay();  // samples of silence the encoder puts before the first input sample
