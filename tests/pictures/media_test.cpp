// The committed pictures: the sizes and formats the generator gives them, logos that leave
// their borders clear, and files that still match what the generator draws.
#include "decode.h"
#include "emblems.h"
#include "photos.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {
const std::string kMedia = CORVANEL_MEDIA_DIR;

Bytes photo_bytes(int k)
{
    char name[32];
    std::snprintf(name, sizeof name, "/photos/%02d.jpg", k);
    return read_file(kMedia + name);
}

// The photos, decoded once for the whole suite.
const std::vector<DecodedJpeg>& photos()
{
    static const std::vector<DecodedJpeg> decoded = [] {
        std::vector<DecodedJpeg> all;
        for (int k = 0; k < kPhotoCount; ++k) {
            all.push_back(decode_jpeg(photo_bytes(k)));
        }
        return all;
    }();
    return decoded;
}
}  // namespace

TEST(Photos, SizesAndFormatsAreTheGeneratorsAtAboutOneAndAHalfBitsPerPixel)
{
    double bytes = 0;
    double pixels = 0;
    for (int k = 0; k < kPhotoCount; ++k) {
        const PhotoFormat f = photo_format(k);
        const DecodedJpeg& d = photos()[k];
        EXPECT_EQ(d.width, f.width) << "photo " << k;
        EXPECT_EQ(d.height, f.height) << "photo " << k;
        EXPECT_EQ(d.progressive, f.progressive) << "photo " << k;
        EXPECT_EQ(d.after_end, Bytes(f.trailing_zero_bytes, 0)) << "photo " << k;
        bytes += static_cast<double>(photo_bytes(k).size());
        pixels += static_cast<double>(f.width) * f.height;
    }
    EXPECT_GT(bytes * 8 / pixels, 1.0);
    EXPECT_LT(bytes * 8 / pixels, 2.5);
}

// Each logo shows something and leaves something clear; its ink stays off its border (ink cut
// off by the canvas shows as a hard edge when a logo swells) and is centred, as the show
// centres the picture, not its ink.
TEST(Logos, ClearOfTheirBordersAndCentred)
{
    for (const char* path : {"/logos/spinning.png", "/logos/pulsing.png"}) {
        const DecodedPng d = decode_png(read_file(kMedia + path));
        const std::size_t n = d.rgba.size() / 4;
        std::size_t clear = 0, solid = 0;
        double mass = 0, moment = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const int x = static_cast<int>(i) % d.width, y = static_cast<int>(i) / d.width;
            const std::uint8_t alpha = d.rgba[i * 4 + 3];
            clear += alpha == 0;
            solid += alpha > 128;
            mass += alpha;
            moment += alpha * (x + 0.5);
            const bool border = x == 0 || y == 0 || x + 1 == d.width || y + 1 == d.height;
            ASSERT_FALSE(border && alpha != 0)
                << path << " touches its border at " << x << ", " << y;
        }
        EXPECT_GT(clear, n / 20) << path;
        EXPECT_GT(solid, n / 50) << path;
        EXPECT_LT(std::abs(moment / mass - d.width / 2.0), 8.0) << path << " off centre";
    }
}

TEST(CommittedFiles, MatchTheGenerator)
{
    // The three quickest photos to render: two fractals (one carrying the trailing bytes) and
    // a close-up. Encoded again and decoded, they must give the committed pixels.
    for (int k : {13, 25, 18}) {
        const PhotoFormat f = photo_format(k);
        JpegOptions options;
        options.progressive = f.progressive;
        const DecodedJpeg fresh =
            decode_jpeg(encode_jpeg(render_photo(k, f.width, f.height, 2), options));
        const DecodedJpeg& committed = photos()[k];
        ASSERT_EQ(fresh.rgb.size(), committed.rgb.size());
        double diff = 0;
        for (std::size_t i = 0; i < fresh.rgb.size(); ++i) {
            diff += std::abs(fresh.rgb[i] - committed.rgb[i]);
        }
        EXPECT_LT(diff / fresh.rgb.size(), 0.5) << "photo " << k << " is stale: run make media";
    }
    // Pictures, not bytes: another zlib may compress the same pixels differently.
    const std::string fonts = default_font_dir();
    const std::pair<Bytes, const char*> pngs[] = {
        {extra_file(0, fonts), "/extra/0.png"},
        {extra_file(2, fonts), "/extra/2.png"},
        {spinning_logo_file(fonts), "/logos/spinning.png"},
        {pulsing_logo_file(fonts), "/logos/pulsing.png"}};
    for (const auto& [fresh, path] : pngs) {
        EXPECT_EQ(decode_png(fresh).rgba, decode_png(read_file(kMedia + path)).rgba)
            << path << " is stale: run make media";
    }
}
