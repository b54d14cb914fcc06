// The committed pictures: the sizes and formats the generator gives them, and files that still
// match what the generator draws on any number of threads.
#include "decode.h"
#include "emblems.h"
#include "photos.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {
const std::string kMedia = CORVANEL_MEDIA_DIR;

DecodedJpeg committed_photo(int k)
{
    char name[32];
    std::snprintf(name, sizeof name, "/photos/%02d.jpg", k);
    return decode_jpeg(read_file(kMedia + name));
}
}  // namespace

TEST(Photos, SizesAndFormatsAreTheGenerators)
{
    for (int k = 0; k < kPhotoCount; ++k) {
        const PhotoFormat f = photo_format(k);
        const DecodedJpeg d = committed_photo(k);
        EXPECT_EQ(d.width, f.width) << "photo " << k;
        EXPECT_EQ(d.height, f.height) << "photo " << k;
        EXPECT_EQ(d.progressive, f.progressive) << "photo " << k;
        EXPECT_EQ(d.after_end, Bytes(f.trailing_zero_bytes, 0)) << "photo " << k;
    }
}

TEST(CommittedFiles, MatchTheGenerator)
{
    // The three quickest photos to render: two fractals (one carrying the trailing bytes) and
    // a close-up, on one or three threads where `make media` used two. Encoded again and
    // decoded, they must give the committed pixels.
    for (int k : {13, 25, 18}) {
        const PhotoFormat f = photo_format(k);
        JpegOptions options;
        options.progressive = f.progressive;
        const DecodedJpeg fresh =
            decode_jpeg(encode_jpeg(render_photo(k, f.width, f.height, 1 + k % 2 * 2), options));
        const DecodedJpeg committed = committed_photo(k);
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
        EXPECT_EQ(decode_png(fresh), decode_png(read_file(kMedia + path)))
            << path << " is stale: run make media";
    }
}

TEST(Lettering, MissingFontIsReportedNotDrawnBlank)
{
    EXPECT_THROW(draw_title_logo("/nonexistent-font-dir"), std::runtime_error);
}
