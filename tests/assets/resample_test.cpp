// The resampling arithmetic on plain buffers: which source pixel each texel comes from, that
// no read leaves the picture or writes leave the row, and the power-of-two and filter rules.
#include "assets/resample.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {
constexpr std::uint32_t kPadding = 0xDEADBEEF;

// Every pixel names its own column (low half) and row (high half); `padding` pixels end each
// row and no read or write may touch them.
std::vector<std::uint32_t> coordinate_pixels(std::int32_t width, std::int32_t height,
                                             std::int32_t padding)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width + padding) * height, kPadding);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            pixels[y * (width + padding) + x] = static_cast<std::uint32_t>(y) << 16 | x;
        }
    }
    return pixels;
}
}  // namespace

TEST(PowerOfTwo, RoundsEachSideUpToThePowerAtOrAboveIt)
{
    const std::int32_t cases[][2] = {{1, 1},     {2, 2},     {3, 4},     {199, 256},
                                     {256, 256}, {257, 512}, {640, 1024}};
    for (const auto& c : cases) {
        EXPECT_EQ(power_of_two_at_least(c[0]), c[1]) << c[0];
    }
}

TEST(Filter, PicturesFromTwoHundredPixelsOnEitherSideAreSmoothed)
{
    EXPECT_FALSE(smooth_when_drawn(199, 199));
    EXPECT_TRUE(smooth_when_drawn(199, 200));
    EXPECT_TRUE(smooth_when_drawn(200, 199));
}

// Each texel holds the source pixel at floor(texel * source side / texel side), and growing a
// picture reaches its last column and row at the far edges.
TEST(Resample, EveryTexelIsTheNearestSourcePixelBelow)
{
    const std::int32_t cases[][2] = {{300, 205}, {199, 199}, {256, 256}, {1, 1}};
    for (const auto& c : cases) {
        const std::int32_t width = c[0], height = c[1];
        const std::int32_t to_width = power_of_two_at_least(width);
        const std::int32_t to_height = power_of_two_at_least(height);
        std::vector<std::uint32_t> source = coordinate_pixels(width, height, 3);
        std::vector<std::uint32_t> target(static_cast<std::size_t>(to_width + 2) * to_height,
                                          kPadding);
        resample_nearest(PixelView{source.data(), width, height, width + 3},
                         PixelView{target.data(), to_width, to_height, to_width + 2});
        for (std::int32_t y = 0; y < to_height; ++y) {
            const std::uint32_t* row = &target[y * (to_width + 2)];
            for (std::int32_t x = 0; x < to_width; ++x) {
                const std::int64_t column = row[x] & 0xFFFF, source_row = row[x] >> 16;
                ASSERT_NE(row[x], kPadding) << width << "x" << height << " texel " << x << "," << y;
                ASSERT_TRUE(column * to_width <= std::int64_t{x} * width &&
                            (column + 1) * to_width > std::int64_t{x} * width)
                    << width << "x" << height << " texel " << x << "," << y;
                ASSERT_TRUE(source_row * to_height <= std::int64_t{y} * height &&
                            (source_row + 1) * to_height > std::int64_t{y} * height)
                    << width << "x" << height << " texel " << x << "," << y;
            }
            ASSERT_EQ(row[to_width], kPadding) << "wrote past row " << y;
            ASSERT_EQ(row[to_width + 1], kPadding) << "wrote past row " << y;
        }
        EXPECT_EQ(target[(to_height - 1) * (to_width + 2) + to_width - 1],
                  static_cast<std::uint32_t>(height - 1) << 16 | (width - 1));
    }
}
