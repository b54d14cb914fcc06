// corvanel_soundtrack <music.mp3> [<decoded.wav>]
// Writes the show's soundtrack, and optionally the decoded file as a WAV for inspection
// (the spectrogram is drawn from it). Prints what it measured.
#include "encode.h"
#include "soundtrack.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace {
void put_le(std::ofstream& f, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        f.put(static_cast<char>((value >> (8 * i)) & 0xffu));
    }
}

// The decoder used here skips the information frame that the show's player plays as silence;
// putting that silence back makes the file's time the show's time.
bool write_wav(const std::string& path, const StereoBuffer& decoded)
{
    StereoBuffer pcm;
    pcm.left.assign(kInformationFrameSamples, 0.0f);
    pcm.right.assign(kInformationFrameSamples, 0.0f);
    pcm.left.insert(pcm.left.end(), decoded.left.begin(), decoded.left.end());
    pcm.right.insert(pcm.right.end(), decoded.right.begin(), decoded.right.end());
    std::ofstream f(path, std::ios::binary);
    const auto frames = static_cast<std::uint32_t>(pcm.left.size());
    const std::uint32_t data_bytes = frames * 4;
    f.write("RIFF", 4);
    put_le(f, 36 + data_bytes, 4);
    f.write("WAVEfmt ", 8);
    put_le(f, 16, 4);
    put_le(f, 1, 2);  // integer PCM
    put_le(f, 2, 2);
    put_le(f, kAudioRate, 4);
    put_le(f, kAudioRate * 4, 4);
    put_le(f, 4, 2);
    put_le(f, 16, 2);
    f.write("data", 4);
    put_le(f, data_bytes, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (float s : {pcm.left[i], pcm.right[i]}) {
            const float clamped = s > 1.0f ? 1.0f : (s < -1.0f ? -1.0f : s);
            put_le(f, static_cast<std::uint16_t>(static_cast<std::int16_t>(clamped * 32767.0f)), 2);
        }
    }
    return static_cast<bool>(f);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <music.mp3> [<decoded.wav>]\n", argv[0]);
        return 2;
    }
    const Soundtrack s = make_soundtrack();
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(s.mp3.data()),
              static_cast<std::streamsize>(s.mp3.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc == 3 && !write_wav(argv[2], s.heard)) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    const double seconds = static_cast<double>(s.heard.left.size()) / kAudioRate;
    std::printf("%s: %zu bytes, %.3f s decoded, %.1f kbit/s\n", argv[1], s.mp3.size(), seconds,
                s.mp3.size() * 8.0 / seconds / 1000.0);
    std::printf("integrated loudness %.2f LUFS, true peak %.2f dBTP\n", s.loudness.integrated_lufs,
                s.loudness.true_peak_dbtp);
    std::printf("render %.2f s, master and encode %.2f s\n", s.render_seconds, s.encode_seconds);
    return 0;
}
