#include "encode.h"

#include <lame/lame.h>

#include <algorithm>  // std::min, std::copy
#include <stdexcept>

namespace {
constexpr int kChunkFrames = 8192;

lame_t open_encoder()
{
    lame_t lame = lame_init();
    if (lame == nullptr) {
        throw std::runtime_error("lame_init failed");
    }
    lame_set_in_samplerate(lame, kAudioRate);
    lame_set_out_samplerate(lame, kAudioRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_default);
    lame_set_VBR_quality(lame, static_cast<float>(kVbrQuality));
    lame_set_bWriteVbrTag(lame, 1);
    lame_set_lowpassfreq(lame, kLowPassHz);
    // Our own limiter already keeps the peaks down: the encoder must not change the level.
    lame_set_scale(lame, 1.0f);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        throw std::runtime_error("lame_init_params failed");
    }
    return lame;
}
}  // namespace

int mp3_encoder_delay()
{
    lame_t lame = open_encoder();
    const int delay = lame_get_encoder_delay(lame);
    lame_close(lame);
    return delay;
}

std::vector<unsigned char> encode_mp3(const StereoBuffer& pcm)
{
    lame_t lame = open_encoder();
    std::vector<unsigned char> out;
    std::vector<unsigned char> chunk(kChunkFrames * 5 / 4 + 7200);
    const int total = static_cast<int>(pcm.left.size());
    for (int at = 0; at < total; at += kChunkFrames) {
        const int n = std::min(kChunkFrames, total - at);
        const int written =
            lame_encode_buffer_ieee_float(lame, pcm.left.data() + at, pcm.right.data() + at, n,
                                          chunk.data(), static_cast<int>(chunk.size()));
        if (written < 0) {
            lame_close(lame);
            throw std::runtime_error("lame_encode_buffer_ieee_float failed");
        }
        out.insert(out.end(), chunk.begin(), chunk.begin() + written);
    }
    const int tail = lame_encode_flush(lame, chunk.data(), static_cast<int>(chunk.size()));
    if (tail < 0) {
        lame_close(lame);
        throw std::runtime_error("lame_encode_flush failed");
    }
    out.insert(out.end(), chunk.begin(), chunk.begin() + tail);
    // The first frame was a placeholder; now that the stream is known, write the real one.
    std::vector<unsigned char> tag(4096);
    const std::size_t tag_size = lame_get_lametag_frame(lame, tag.data(), tag.size());
    lame_close(lame);
    if (tag_size == 0 || tag_size > out.size()) {
        throw std::runtime_error("no information frame from the encoder");
    }
    std::copy(tag.begin(), tag.begin() + tag_size, out.begin());
    return out;
}

StereoBuffer decode_mp3(const std::vector<unsigned char>& mp3)
{
    hip_t hip = hip_decode_init();
    if (hip == nullptr) {
        throw std::runtime_error("hip_decode_init failed");
    }
    StereoBuffer out;
    // Large enough for every frame a chunk of input can complete.
    std::vector<short> left(kMp3FrameSamples * 64);
    std::vector<short> right(kMp3FrameSamples * 64);
    // Fed in pieces smaller than the smallest frame (96 bytes at 32 kbit/s), so each piece
    // completes at most one frame: given several at once, this decoder was seen to drop some.
    constexpr std::size_t kFeed = 64;
    auto keep = [&](int n) {
        for (int i = 0; i < n; ++i) {
            out.left.push_back(left[i] / 32768.0f);
            out.right.push_back(right[i] / 32768.0f);
        }
    };
    for (std::size_t at = 0; at < mp3.size(); at += kFeed) {
        const std::size_t n = std::min(kFeed, mp3.size() - at);
        int got = hip_decode1(hip, const_cast<unsigned char*>(mp3.data() + at), n, left.data(),
                              right.data());
        while (got > 0) {
            keep(got);
            got = hip_decode1(hip, nullptr, 0, left.data(), right.data());
        }
        if (got < 0) {
            hip_decode_exit(hip);
            throw std::runtime_error("hip_decode1 failed");
        }
    }
    hip_decode_exit(hip);
    return out;
}
