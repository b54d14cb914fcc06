// Rendering: the pixels depend on the picture alone, never on how many threads drew it, so
// `make media` gives the same files on any machine.
#include "emblems.h"
#include "photos.h"

#include <gtest/gtest.h>

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

INSTANTIATE_TEST_SUITE_P(OnePerRenderer, PhotoRendering, ::testing::Values(0, 8, 13, 9));

TEST(Lettering, MissingFontIsReportedNotDrawnBlank)
{
    EXPECT_THROW(draw_title_logo("/nonexistent-font-dir"), std::runtime_error);
}
