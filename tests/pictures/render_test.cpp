// Rendering: the pixels depend on the picture alone, never on how many threads drew it, and
// the scenes are real pictures rather than flat fields.
#include "emblems.h"
#include "photos.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

double luminance_spread(const PixelBuffer& p)
{
    double sum = 0, sum2 = 0;
    size_t n = static_cast<size_t>(p.width) * p.height;
    for (size_t i = 0; i < n; ++i) {
        const std::uint8_t* px = &p.pixels[i * p.channels];
        double l = 0.2126 * px[0] + 0.7152 * px[1] + 0.0722 * px[2];
        sum += l;
        sum2 += l * l;
    }
    double mean = sum / n;
    return std::sqrt(std::max(0.0, sum2 / n - mean * mean));
}

}  // namespace

// One photo of each renderer: a lake landscape (terrain, water, clouds), a close-up, a
// fractal, and a night sky.
class PhotoRendering : public ::testing::TestWithParam<int> {};

TEST_P(PhotoRendering, ThreadCountDoesNotChangeThePixels)
{
    PixelBuffer one = render_photo(GetParam(), 72, 54, 1);
    PixelBuffer three = render_photo(GetParam(), 72, 54, 3);
    ASSERT_EQ(one.pixels.size(), static_cast<size_t>(72) * 54 * 3);
    EXPECT_EQ(one.pixels, three.pixels);
}

TEST_P(PhotoRendering, SmallRenderHasDetail)
{
    PixelBuffer p = render_photo(GetParam(), 96, 72, 2);
    EXPECT_GT(luminance_spread(p), 6.0) << photo_title(GetParam());
}

INSTANTIATE_TEST_SUITE_P(OnePerRenderer, PhotoRendering, ::testing::Values(0, 8, 13, 9));

TEST(PhotoFormats, EveryIndexHasAFormatAndNoOtherDoes)
{
    for (int k = 0; k < kPhotoCount; ++k) {
        PhotoFormat f = photo_format(k);
        EXPECT_GT(f.width, 0);
        EXPECT_GT(f.height, 0);
        EXPECT_FALSE(photo_title(k).empty());
    }
    EXPECT_THROW(photo_format(-1), std::out_of_range);
    EXPECT_THROW(photo_format(kPhotoCount), std::out_of_range);
    EXPECT_THROW(draw_extra(kExtraCount, default_font_dir()), std::out_of_range);
}

TEST(Lettering, MissingFontIsReportedNotDrawnBlank)
{
    EXPECT_THROW(draw_title_logo("/nonexistent-font-dir"), std::runtime_error);
}
