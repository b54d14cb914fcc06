// corvanel-capture's files as a player reads them (ffprobe, ffmpeg): every frame against the
// show's drawing of its moment, in its tagged colours, and the sound against the show's mixer;
// three seconds across beat 128, into each container.
#include "assets/texture_bank.h"
#include "core/timeline.h"
#include "gl_window.h"
#include "playback_capture.h"

#include <gtest/gtest.h>

#include <algorithm>  // std::mismatch
#include <cmath>      // std::abs, std::llround
#include <cstdio>     // popen
#include <cstdlib>    // mkdtemp, std::system
#include <numeric>    // std::transform_reduce
#include <string>
#include <vector>

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFps = 60;
constexpr int kFromMs = 41000;
constexpr int kFrames = 3 * kFps;
constexpr std::int64_t kSamples = std::int64_t{3} * kAudioRate;
constexpr std::int64_t kFirstSample = std::int64_t{kFromMs} * kAudioRate / 1000;
constexpr std::size_t kRgbBytes = std::size_t{kWidth} * kHeight * 3;
constexpr std::size_t kYuvBytes = kRgbBytes / 2;
constexpr int kBlock = 4;
constexpr int kBlocks = (kWidth / kBlock) * (kHeight / kBlock);
// What x264 at the default encoding (faster, CRF 20) leaves of fine texture at this size, in
// 8-bit levels of the block means (measured: at most 2.4); a frame one step early or late is
// off by 4.6 or more.
constexpr double kMaxBlockError = 3.0;
constexpr double kMaxMatrixSlope = 0.25;

std::string read_output(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char block[1 << 16];
    for (std::size_t n = 0; (n = std::fread(block, 1, sizeof block, pipe)) > 0;) {
        out.append(block, n);
    }
    pclose(pipe);
    return out;
}

struct Decoded {
    std::string path;
    std::string frames;               // 4:2:0 planes as stored, frame after frame
    std::vector<std::int16_t> sound;  // interleaved stereo, from the file's time 0
    std::int64_t lead = 0;            // samples of it before the first picture is shown
};

// As a player reads the file: every frame once, where it is shown; the sound from time 0, so
// that what goes with a frame is where the file puts it. `reading` is how the player takes
// edit lists.
Decoded decode(const std::string& path, const std::string& reading = "")
{
    const std::string ffmpeg = "ffmpeg -nostdin -v error " + reading + " -i " + path;
    const std::string pcm = read_output(ffmpeg + " -map 0:a -f s16le -");
    const auto* sound = reinterpret_cast<const std::int16_t*>(pcm.data());
    const double first_picture = std::stod(
        read_output("ffprobe -v error " + reading +
                    " -select_streams v -show_entries stream=start_time -of csv=p=0 " + path));
    return {path,
            read_output(ffmpeg + " -map 0:v -fps_mode passthrough -f rawvideo -"),
            {sound, sound + pcm.size() / 2},
            std::llround(first_picture * kAudioRate)};
}

class CapturedShow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char dir[] = "/tmp/corvanel-capture-test-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        work = dir;
        // Both captures run beside the references below: most of the time is drawing.
        const std::string run =
            std::string(CORVANEL_CAPTURE) + " --size 320x240 --from 41 --to 44 ";
        const std::string both =
            "cd " + work + " && { " + run + "show.mp4 & " + run + "show.mkv && wait $!; } 2>log";
        FILE* captures = popen(both.c_str(), "w");

        const std::string mp3 = read_output(std::string("cat ") + CORVANEL_MUSIC_FILE);
        const Capture played = capture_playback({mp3.begin(), mp3.end()}, kFirstSample + kSamples);

        // The show's own window, drawing each frame's moment: the show's clock counts whole
        // milliseconds, so frame k at k / 60 s shows the moment rounded down.
        open_gl_window(kWidth, kHeight);
        load_textures();
        for (int k = 0; k < kFrames; ++k) {
            render_at_ms(kFromMs + k * 1000 / kFps);
            const std::vector<unsigned char> frame = read_frame();
            drawn.append(frame.begin(), frame.end());
        }
        ASSERT_EQ(pclose(captures), 0) << read_output("cat " + work + "/log");
        ASSERT_TRUE(played.error.empty()) << played.error;
        mixer = played.samples;
        mp4 = decode(work + "/show.mp4");
        mkv = decode(work + "/show.mkv");
        mp4_without_edits = decode(work + "/show.mp4", "-ignore_editlist 1");
        ASSERT_EQ(mp4.frames.size(), kFrames * kYuvBytes);
        ASSERT_GE(std::int64_t(mp4.sound.size()), kSamples * 2);
    }
    static void TearDownTestSuite()
    {
        std::system(("rm -rf " + work).c_str());
    }

    static inline std::string work;
    static inline Decoded mp4;
    static inline Decoded mkv;
    static inline Decoded mp4_without_edits;
    static inline std::vector<std::int16_t> mixer;  // the mixer's output up to the captured end
    static inline std::string drawn;  // the window's frames, as decoded ones are laid out
};

// A drawn frame as BT.709 limited-range Y'CbCr, the form the file's tags promise, in means over
// 4 x 4 pixel blocks: what survives 4:2:0 and the encoder's quantising of fine texture, where
// a moment's motion still shows. Three planes of block means, Y then Cb then Cr.
std::vector<double> expected_blocks(const std::string& rgb, int frame, double kr = 0.2126,
                                    double kb = 0.0722)
{
    std::vector<double> blocks(kBlocks * 3, 0.0);
    const auto* p = reinterpret_cast<const unsigned char*>(rgb.data()) + frame * kRgbBytes;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x, p += 3) {
            const double luma = kr * p[0] + (1 - kr - kb) * p[1] + kb * p[2];
            const int b = (y / kBlock) * (kWidth / kBlock) + x / kBlock;
            blocks[b] += 16 + luma * 219 / 255;
            blocks[kBlocks + b] += 128 + (p[2] - luma) / (2 - 2 * kb) * 224 / 255;
            blocks[2 * kBlocks + b] += 128 + (p[0] - luma) / (2 - 2 * kr) * 224 / 255;
        }
    }
    for (double& v : blocks) {
        v /= kBlock * kBlock;
    }
    return blocks;
}

// The same block means of a decoded 4:2:0 frame, whose colour planes have half the sides.
std::vector<double> decoded_blocks(const std::string& yuv, int frame)
{
    std::vector<double> blocks(kBlocks * 3, 0.0);
    const auto* p = reinterpret_cast<const unsigned char*>(yuv.data()) + frame * kYuvBytes;
    for (int plane = 0; plane < 3; ++plane) {
        const int side = plane == 0 ? 1 : 2;
        const int per_block = kBlock / side;
        const double weight = 1.0 / (per_block * per_block);
        for (int y = 0; y < kHeight / side; ++y) {
            for (int x = 0; x < kWidth / side; ++x) {
                blocks[plane * kBlocks + (y / per_block) * (kWidth / kBlock) + x / per_block] +=
                    *p++ * weight;
            }
        }
    }
    return blocks;
}

double mean_difference(const std::vector<double>& a, const std::vector<double>& b)
{
    return std::transform_reduce(a.begin(), a.end(), b.begin(), 0.0, std::plus<>(),
                                 [](double x, double y) { return std::abs(x - y); }) /
           a.size();
}
}  // namespace

// Each file's frames are closer to the show's drawing of their own moment than to the
// moments a frame before and after. Tagged BT.709 limited range, so that players turn
// them back into RGB by the matrix that made them, and converted so: where BT.709 and BT.601
// (what players assume of untagged video of old sizes) disagree about a block's brightness,
// the decoded one's departure from BT.709 does not follow theirs (a slope near 0, not 1).
TEST_F(CapturedShow, EveryFrameIsTheShowsDrawingOfItsMomentInTheTaggedColours)
{
    for (const Decoded* d : {&mp4, &mkv}) {
        EXPECT_EQ(read_output("ffprobe -v error -select_streams v -show_entries stream=color_range,"
                              "color_space,color_transfer,color_primaries -of csv=p=0 " +
                              d->path),
                  "tv,bt709,bt709,bt709\n")
            << d->path;
    }
    // x264's lossy output is not the same bit for bit from run to run on a loaded machine (seen
    // beside other work), so each file is held to the drawing on its own.
    std::vector<std::vector<double>> expected;
    for (int k = 0; k < kFrames; ++k) {
        expected.push_back(expected_blocks(drawn, k));
    }
    for (const Decoded* d : {&mp4, &mkv}) {
        ASSERT_EQ(d->frames.size(), kFrames * kYuvBytes) << d->path;
        double along = 0;
        double spread = 0;
        for (int k = 0; k < kFrames; ++k) {
            const std::vector<double> decoded = decoded_blocks(d->frames, k);
            const double error = mean_difference(decoded, expected[k]);
            EXPECT_LE(error, kMaxBlockError) << d->path << " frame " << k;
            for (const int other : {k - 1, k + 1}) {
                if (other >= 0 && other < kFrames) {
                    EXPECT_LT(error, mean_difference(decoded, expected[other]))
                        << d->path << " frame " << k << " looks more like the drawing of frame "
                        << other;
                }
            }
            const std::vector<double> bt601 = expected_blocks(drawn, k, 0.299, 0.114);
            for (int b = 0; b < kBlocks; ++b) {
                along += (decoded[b] - expected[k][b]) * (bt601[b] - expected[k][b]);
                spread += (bt601[b] - expected[k][b]) * (bt601[b] - expected[k][b]);
            }
        }
        EXPECT_NEAR(along / spread, 0.0, kMaxMatrixSlope) << d->path;
    }
}

// Sound against picture as a player takes them. FLAC is lossless: its samples are the mixer's,
// the one the first frame's moment starts shown with the first frame. AAC is lossy and primed
// by its encoder; the lag that best lines it up with the mixer's output must be none. The mp4
// needs no edit list for this: a player that ignores them hears and sees the same.
TEST_F(CapturedShow, SoundIsTheMixersOutputToTheSampleUnderItsFrames)
{
    const auto from = mixer.begin() + (kFirstSample - mkv.lead) * 2;
    const auto differs = std::mismatch(from, mixer.end(), mkv.sound.begin(), mkv.sound.end()).first;
    EXPECT_TRUE(differs == mixer.end() && mkv.sound.size() == std::size_t(mixer.end() - from))
        << "differs from sample " << (differs - from) / 2 << " of " << mkv.sound.size() / 2;

    EXPECT_EQ(mp4_without_edits.lead, mp4.lead);
    EXPECT_TRUE(mp4_without_edits.sound == mp4.sound && mp4_without_edits.frames == mp4.frames);
    const auto mono = [](const std::vector<std::int16_t>& s, std::int64_t i) {
        return std::int64_t{s[2 * i]} + s[2 * i + 1];
    };
    constexpr std::int64_t kMaxLag = kAudioRate / 20;
    std::int64_t best_lag = 0;
    std::int64_t best = -1;
    for (std::int64_t lag = -kMaxLag; lag <= kMaxLag; ++lag) {
        std::int64_t sum = 0;
        for (std::int64_t i = kMaxLag; i < kSamples - kMaxLag; ++i) {
            sum += mono(mp4.sound, mp4.lead + i + lag) * mono(mixer, kFirstSample + i);
        }
        if (sum > best) {
            best = sum;
            best_lag = lag;
        }
    }
    EXPECT_EQ(best_lag, 0);
}
