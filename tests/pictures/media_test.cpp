// The committed pictures: the sizes and formats the show's catalogue relies on, photographs
// that look like photographs and differ from each other, and files that still match what the
// generator draws.
#include "decode.h"
#include "emblems.h"
#include "photos.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

const std::string kMedia = CORVANEL_MEDIA_DIR;

struct ExpectedSize {
    int width, height;
};

// The pixel sizes the catalogue lists for photos 0 to 35, in set order.
constexpr ExpectedSize kPhotoSizes[36] = {
    {640, 429},  {410, 322},   {592, 896},  {896, 592},  {640, 480},  {553, 407},
    {574, 384},  {623, 415},   {640, 425},  {800, 600},  {1024, 768}, {1280, 960},
    {1024, 768}, {276, 300},   {1024, 757}, {640, 480},  {1024, 768}, {896, 592},
    {393, 420},  {600, 800},   {1024, 757}, {756, 504},  {542, 471},  {800, 600},
    {800, 600},  {300, 205},   {336, 448},  {1280, 960}, {800, 600},  {640, 480},
    {800, 592},  {1280, 1024}, {480, 640},  {500, 374},  {480, 640},  {344, 480},
};

std::string photo_path(int k)
{
    char name[32];
    std::snprintf(name, sizeof name, "/photos/%02d.jpg", k);
    return kMedia + name;
}

// The photos, decoded once for the whole suite.
const std::vector<DecodedJpeg>& photos()
{
    static const std::vector<DecodedJpeg> decoded = [] {
        std::vector<DecodedJpeg> all;
        for (int k = 0; k < 36; ++k)
            all.push_back(decode_jpeg(read_file(photo_path(k))));
        return all;
    }();
    return decoded;
}

double luma(const std::uint8_t* px)
{
    return 0.2126 * px[0] + 0.7152 * px[1] + 0.0722 * px[2];
}

// An 8 × 8 grid of average colours: enough to tell two scenes apart.
std::vector<double> thumbnail(const DecodedJpeg& d)
{
    std::vector<double> t(8 * 8 * 3, 0.0);
    std::vector<int> n(64, 0);
    for (int y = 0; y < d.height; ++y) {
        for (int x = 0; x < d.width; ++x) {
            int cell = (y * 8 / d.height) * 8 + x * 8 / d.width;
            for (int c = 0; c < 3; ++c)
                t[cell * 3 + c] += d.rgb[(static_cast<size_t>(y) * d.width + x) * 3 + c];
            ++n[cell];
        }
    }
    for (int i = 0; i < 64 * 3; ++i)
        t[i] /= n[i / 3];
    return t;
}

}  // namespace

TEST(Photos, SizesMatchTheCatalogueInSetOrder)
{
    for (int k = 0; k < 36; ++k) {
        EXPECT_EQ(photos()[k].width, kPhotoSizes[k].width) << "photo " << k;
        EXPECT_EQ(photos()[k].height, kPhotoSizes[k].height) << "photo " << k;
    }
}

TEST(Photos, MixBaselineAndProgressiveAndOneCarriesThreeTrailingZeros)
{
    int progressive = 0, trailing = 0;
    for (int k = 0; k < 36; ++k) {
        const DecodedJpeg& d = photos()[k];
        progressive += d.progressive;
        if (!d.after_end.empty()) {
            ++trailing;
            EXPECT_EQ(d.after_end, Bytes({0, 0, 0})) << "photo " << k;
        }
    }
    EXPECT_GE(progressive, 6);
    EXPECT_GE(36 - progressive, 6);
    EXPECT_EQ(trailing, 1);
}

TEST(Photos, AverageAboutOneAndAHalfBitsPerPixel)
{
    double bytes = 0, pixels = 0;
    for (int k = 0; k < 36; ++k) {
        bytes += static_cast<double>(read_file(photo_path(k)).size());
        pixels += static_cast<double>(kPhotoSizes[k].width) * kPhotoSizes[k].height;
    }
    double bpp = bytes * 8 / pixels;
    EXPECT_GT(bpp, 1.0);
    EXPECT_LT(bpp, 2.5);
}

// Mean difference between side-by-side 4 × 4 block averages: structure at a scale that
// sensor grain and JPEG noise average out of, so a flat field or a sky gradient from top to
// bottom scores near zero.
double block_detail(const DecodedJpeg& d)
{
    int bw = d.width / 4, bh = d.height / 4;
    std::vector<double> blocks(static_cast<size_t>(bw) * bh, 0.0);
    for (int y = 0; y < bh * 4; ++y) {
        for (int x = 0; x < bw * 4; ++x)
            blocks[static_cast<size_t>(y / 4) * bw + x / 4] +=
                luma(&d.rgb[(static_cast<size_t>(y) * d.width + x) * 3]) / 16;
    }
    double sum = 0;
    for (int y = 0; y < bh; ++y) {
        for (int x = 0; x + 1 < bw; ++x)
            sum += std::fabs(blocks[static_cast<size_t>(y) * bw + x] -
                             blocks[static_cast<size_t>(y) * bw + x + 1]);
    }
    return sum / (static_cast<double>(bh) * (bw - 1));
}

TEST(Photos, EachHasToneAndDetail)
{
    for (int k = 0; k < 36; ++k) {
        const DecodedJpeg& d = photos()[k];
        size_t n = static_cast<size_t>(d.width) * d.height;
        double sum = 0, sum2 = 0;
        for (size_t i = 0; i < n; ++i) {
            double l = luma(&d.rgb[i * 3]);
            sum += l;
            sum2 += l * l;
        }
        double mean = sum / n, spread = std::sqrt(sum2 / n - mean * mean);
        EXPECT_GT(mean, 15) << "photo " << k << " is nearly black";
        EXPECT_LT(mean, 235) << "photo " << k << " is nearly white";
        EXPECT_GT(spread, 12) << "photo " << k << " is nearly flat";
        EXPECT_GT(block_detail(d), 0.4) << "photo " << k << " has no detail";
    }
}

TEST(Photos, NoTwoAlike)
{
    std::vector<std::vector<double>> thumbs;
    for (const auto& d : photos())
        thumbs.push_back(thumbnail(d));
    for (int a = 0; a < 36; ++a) {
        for (int b = a + 1; b < 36; ++b) {
            double diff = 0;
            for (size_t i = 0; i < thumbs[a].size(); ++i)
                diff += std::fabs(thumbs[a][i] - thumbs[b][i]);
            EXPECT_GT(diff / thumbs[a].size(), 10.0) << "photos " << a << " and " << b;
        }
    }
}

TEST(Photos, CommittedFilesMatchTheGenerator)
{
    // The three quickest to render: two fractals (one carrying the trailing bytes) and a
    // close-up. Encoded again and decoded, they must give the committed pixels.
    for (int k : {13, 25, 18}) {
        PhotoFormat f = photo_format(k);
        JpegOptions options;
        options.progressive = f.progressive;
        DecodedJpeg fresh =
            decode_jpeg(encode_jpeg(render_photo(k, f.width, f.height, 2), options));
        const DecodedJpeg& committed = photos()[k];
        ASSERT_EQ(fresh.rgb.size(), committed.rgb.size());
        double diff = 0;
        for (size_t i = 0; i < fresh.rgb.size(); ++i)
            diff += std::abs(static_cast<int>(fresh.rgb[i]) - static_cast<int>(committed.rgb[i]));
        EXPECT_LT(diff / fresh.rgb.size(), 0.5) << "photo " << k << " is stale: run make media";
    }
}

namespace {

struct ExpectedPng {
    const char* path;
    int size;
    bool palette;
};

constexpr ExpectedPng kPngs[] = {
    {"/extra/0.png", 256, true},        {"/extra/1.png", 1024, true},
    {"/extra/2.png", 256, false},       {"/extra/3.png", 512, true},
    {"/logos/spinning.png", 256, true}, {"/logos/pulsing.png", 512, false},
};

}  // namespace

TEST(PalettesAndAlpha, FormatsAndSizesAsCatalogued)
{
    for (const auto& e : kPngs) {
        DecodedPng d = decode_png(read_file(kMedia + e.path));
        EXPECT_EQ(d.width, e.size) << e.path;
        EXPECT_EQ(d.height, e.size) << e.path;
        EXPECT_EQ(d.bit_depth, 8) << e.path;
        if (e.palette) {
            EXPECT_EQ(d.colour_type, 3) << e.path;
            // Per-entry transparency, with at least one entry fully clear.
            ASSERT_FALSE(d.transparency.empty()) << e.path;
            EXPECT_EQ(d.transparency[0], 0) << e.path;
        } else {
            EXPECT_EQ(d.colour_type, 6) << e.path;
        }
        // Each shows something and leaves something clear.
        size_t clear = 0, solid = 0, n = static_cast<size_t>(d.width) * d.height;
        for (size_t i = 0; i < n; ++i) {
            clear += d.rgba[i * 4 + 3] == 0;
            solid += d.rgba[i * 4 + 3] > 128;
        }
        EXPECT_GT(clear, n / 20) << e.path;
        EXPECT_GT(solid, n / 50) << e.path;
    }
}

TEST(PalettesAndAlpha, LogosReadOverBusyPictures)
{
    // The title fades out through soft edges rather than stair steps, and both logos keep a
    // dark rim around light lettering, so they stand out on light and dark photos alike.
    DecodedPng title = decode_png(read_file(kMedia + "/logos/pulsing.png"));
    size_t soft = 0, dark_rim = 0, light = 0;
    for (size_t i = 0; i < static_cast<size_t>(512 * 512); ++i) {
        const std::uint8_t* px = &title.rgba[i * 4];
        soft += px[3] > 0 && px[3] < 200;
        if (px[3] > 200)
            (luma(px) < 60 ? dark_rim : light) += 1;
    }
    EXPECT_GT(soft, 5000u);
    EXPECT_GT(dark_rim, 2000u);
    EXPECT_GT(light, 5000u);
    // Nothing touches the border (lettering or glow cut off by the canvas would show as a
    // hard edge when the logo swells), and the title sits in the middle: the show centres
    // the picture, not its ink.
    double mass = 0, mx = 0;
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            int a = title.rgba[(static_cast<size_t>(y) * 512 + x) * 4 + 3];
            if (x == 0 || y == 0 || x == 511 || y == 511) {
                ASSERT_EQ(a, 0) << x << ", " << y;
            }
            mass += a;
            mx += a * (x + 0.5);
        }
    }
    EXPECT_NEAR(mx / mass, 256.0, 8.0);
    DecodedPng emblem = decode_png(read_file(kMedia + "/logos/spinning.png"));
    for (int i = 0; i < 256; ++i) {
        for (size_t edge : {static_cast<size_t>(i), static_cast<size_t>(255 * 256 + i),
                            static_cast<size_t>(i * 256), static_cast<size_t>(i * 256 + 255)}) {
            ASSERT_EQ(emblem.rgba[edge * 4 + 3], 0) << "emblem touches its border at " << edge;
        }
    }
    EXPECT_EQ(emblem.rgba[3], 0) << "corners clear, so the turning square never shows";
    EXPECT_EQ(emblem.rgba[(128 * 256 + 128) * 4 + 3], 255) << "solid middle";
}

TEST(PalettesAndAlpha, CommittedFilesMatchTheGenerator)
{
    const std::string fonts = default_font_dir();
    struct Pair {
        const char* path;
        Bytes fresh;
    };
    const Pair pairs[] = {{"/extra/0.png", extra_file(0, fonts)},
                          {"/extra/2.png", extra_file(2, fonts)},
                          {"/logos/spinning.png", spinning_logo_file(fonts)},
                          {"/logos/pulsing.png", pulsing_logo_file(fonts)}};
    for (const auto& p : pairs) {
        // Compare pixels, not bytes: another zlib may compress the same pixels differently.
        EXPECT_EQ(decode_png(p.fresh).rgba, decode_png(read_file(kMedia + p.path)).rgba)
            << p.path << " is stale: run make media";
    }
}
