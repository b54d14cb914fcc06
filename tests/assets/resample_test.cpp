// The resampling arithmetic on plain buffers, with padded rows that SDL's surfaces in the bank's
// test never have. (The power-of-two sides, the filter rule and the widening of 3-byte pixels
// are the bank's test's.)
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

// Each texel holds the source pixel at floor(texel * source side / texel side), read from rows
// padded past their width; no write goes past the target's width.
TEST(Resample, EveryTexelIsTheNearestSourcePixelBelow)
{
    const std::int32_t cases[][2] = {{300, 205}, {199, 199}, {256, 256}, {1, 1}};
    for (const auto& [width, height] : cases) {
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
                const std::int64_t column = std::int64_t{x} * width / to_width;
                const std::int64_t source_row = std::int64_t{y} * height / to_height;
                ASSERT_EQ(row[x], static_cast<std::uint32_t>(source_row << 16 | column))
                    << width << "x" << height << " texel " << x << "," << y;
            }
            ASSERT_EQ(row[to_width], kPadding) << "wrote past row " << y;
            ASSERT_EQ(row[to_width + 1], kPadding) << "wrote past row " << y;
        }
    }
}
