// The resampling arithmetic on plain buffers: which source pixel each texel comes from, that
// no read leaves the picture or writes leave the row, and the power-of-two and filter rules.
#include "assets/resample.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

namespace {
constexpr std::uint32_t kPadding = 0xDEADBEEF;

// A buffer whose every pixel names its own column (low half) and row (high half), with a few
// padding pixels at the end of each row that no read should ever see.
struct Picture {
    std::vector<std::uint32_t> pixels;
    PixelView view;
};

Picture coordinate_picture(std::int32_t width, std::int32_t height, std::int32_t padding)
{
    Picture picture;
    const std::int32_t per_row = width + padding;
    picture.pixels.assign(static_cast<std::size_t>(per_row) * height, kPadding);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            picture.pixels[y * per_row + x] = static_cast<std::uint32_t>(y) << 16 | x;
        }
    }
    picture.view = PixelView{picture.pixels.data(), width, height, per_row};
    return picture;
}

Picture blank_picture(std::int32_t width, std::int32_t height, std::int32_t padding)
{
    Picture picture;
    picture.pixels.assign(static_cast<std::size_t>(width + padding) * height, kPadding);
    picture.view = PixelView{picture.pixels.data(), width, height, width + padding};
    return picture;
}

std::uint32_t at(const Picture& picture, std::int32_t x, std::int32_t y)
{
    return picture.pixels[y * picture.view.pixels_per_row + x];
}
std::int32_t column_of(std::uint32_t pixel)
{
    return static_cast<std::int32_t>(pixel & 0xFFFF);
}
std::int32_t row_of(std::uint32_t pixel)
{
    return static_cast<std::int32_t>(pixel >> 16);
}
}  // namespace

TEST(PowerOfTwo, RoundsEachSideUpToThePowerAtOrAboveIt)
{
    EXPECT_EQ(power_of_two_at_least(1), 1);
    EXPECT_EQ(power_of_two_at_least(2), 2);
    EXPECT_EQ(power_of_two_at_least(3), 4);
    EXPECT_EQ(power_of_two_at_least(199), 256);
    EXPECT_EQ(power_of_two_at_least(256), 256);
    EXPECT_EQ(power_of_two_at_least(257), 512);
    EXPECT_EQ(power_of_two_at_least(429), 512);
    EXPECT_EQ(power_of_two_at_least(640), 1024);
    EXPECT_EQ(power_of_two_at_least(1280), 2048);
}

TEST(Filter, PicturesFromTwoHundredPixelsOnEitherSideAreSmoothed)
{
    EXPECT_FALSE(smooth_when_drawn(199, 199));
    EXPECT_FALSE(smooth_when_drawn(1, 1));
    EXPECT_TRUE(smooth_when_drawn(199, 200));
    EXPECT_TRUE(smooth_when_drawn(200, 199));
    EXPECT_TRUE(smooth_when_drawn(256, 256));
}

TEST(Resample, FarEdgesOfA300By205PictureReadItsLastColumnAndRow)
{
    const Picture source = coordinate_picture(300, 205, 3);
    Picture target = blank_picture(512, 256, 5);
    resample_nearest(source.view, target.view);

    EXPECT_EQ(at(target, 0, 0), at(source, 0, 0));
    EXPECT_EQ(column_of(at(target, 511, 0)), 299);
    EXPECT_EQ(row_of(at(target, 0, 255)), 204);
    EXPECT_EQ(at(target, 511, 255), at(source, 299, 204));
    // Texel 256 sits exactly halfway across: 256 * 300 / 512 = 150.
    EXPECT_EQ(column_of(at(target, 256, 0)), 150);
    // Row 5 of 256 maps to 5 * 205 / 256 = 4.0039..., rounded down.
    EXPECT_EQ(row_of(at(target, 0, 5)), 4);
}

TEST(Resample, EveryTexelIsTheNearestSourcePixelBelowAndNoneIsSkipped)
{
    const Picture source = coordinate_picture(300, 205, 3);
    Picture target = blank_picture(512, 256, 5);
    resample_nearest(source.view, target.view);

    std::set<std::int32_t> columns_seen;
    std::set<std::int32_t> rows_seen;
    for (std::int32_t y = 0; y < 256; ++y) {
        for (std::int32_t x = 0; x < 512; ++x) {
            const std::uint32_t pixel = at(target, x, y);
            ASSERT_NE(pixel, kPadding) << "texel " << x << "," << y << " read row padding";
            const std::int64_t column = column_of(pixel);
            const std::int64_t row = row_of(pixel);
            // column is the largest c with c * 512 <= x * 300, i.e. the floor of the ratio.
            ASSERT_LE(column * 512, std::int64_t{x} * 300);
            ASSERT_GT((column + 1) * 512, std::int64_t{x} * 300);
            ASSERT_LE(row * 256, std::int64_t{y} * 205);
            ASSERT_GT((row + 1) * 256, std::int64_t{y} * 205);
            columns_seen.insert(column_of(pixel));
            rows_seen.insert(row_of(pixel));
        }
        for (std::int32_t x = 512; x < target.view.pixels_per_row; ++x) {
            ASSERT_EQ(at(target, x, y), kPadding) << "wrote past the end of row " << y;
        }
    }
    // Growing a picture never drops one of its columns or rows.
    EXPECT_EQ(columns_seen.size(), 300u);
    EXPECT_EQ(rows_seen.size(), 205u);
}

TEST(Resample, PowerOfTwoPicturesAreCopiedUnchanged)
{
    const Picture source = coordinate_picture(256, 256, 0);
    Picture target = blank_picture(256, 256, 0);
    resample_nearest(source.view, target.view);
    EXPECT_EQ(target.pixels, source.pixels);

    const Picture dot = coordinate_picture(1, 1, 2);
    Picture one = blank_picture(power_of_two_at_least(1), power_of_two_at_least(1), 0);
    resample_nearest(dot.view, one.view);
    ASSERT_EQ(one.pixels.size(), 1u);
    EXPECT_EQ(one.pixels[0], at(dot, 0, 0));
}

TEST(Resample, A199PixelSquareFillsA256SquareWithoutLeavingIt)
{
    const Picture source = coordinate_picture(199, 199, 1);
    Picture target = blank_picture(power_of_two_at_least(199), power_of_two_at_least(199), 0);
    ASSERT_EQ(target.view.width, 256);
    resample_nearest(source.view, target.view);
    EXPECT_EQ(at(target, 255, 255), at(source, 198, 198));
    for (std::uint32_t pixel : target.pixels) {
        ASSERT_NE(pixel, kPadding);
    }
}
