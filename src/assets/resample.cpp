#include "assets/resample.h"

#include <vector>

std::int32_t power_of_two_at_least(std::int32_t side)
{
    std::int32_t power = 1;
    while (power < side) {
        power *= 2;
    }
    return power;
}

bool smooth_when_drawn(std::int32_t width, std::int32_t height)
{
    return width >= kSmoothingThreshold || height >= kSmoothingThreshold;
}

// The products y * h and x * w are grown as running sums, one addition per row or column;
// with sides below 2^15 they stay well inside 32-bit signed range. The source column of each
// destination column is worked out once, not once per row: one division per column instead
// of one per pixel.
void resample_nearest(const PixelView& from, const PixelView& to)
{
    std::vector<std::int32_t> source_columns(static_cast<std::size_t>(to.width));
    std::int32_t column_sum = 0;
    for (std::int32_t x = 0; x < to.width; ++x, column_sum += from.width) {
        source_columns[x] = column_sum / to.width;
    }
    std::int32_t row_sum = 0;
    for (std::int32_t y = 0; y < to.height; ++y, row_sum += from.height) {
        const std::uint32_t* source_row = from.pixels + (row_sum / to.height) * from.pixels_per_row;
        std::uint32_t* target_row = to.pixels + y * to.pixels_per_row;
        for (std::int32_t x = 0; x < to.width; ++x) {
            target_row[x] = source_row[source_columns[x]];
        }
    }
}

void widen_rgb24(const Rgb24View& from, std::uint8_t alpha, const PixelView& to)
{
    const std::uint32_t opaque = std::uint32_t{alpha} << 24;
    for (std::int32_t y = 0; y < from.height; ++y) {
        const std::uint8_t* source = from.bytes + y * from.bytes_per_row;
        std::uint32_t* target = to.pixels + y * to.pixels_per_row;
        for (std::int32_t x = 0; x < from.width; ++x, source += 3) {
            target[x] = source[from.red_byte] | std::uint32_t{source[from.green_byte]} << 8 |
                        std::uint32_t{source[from.blue_byte]} << 16 | opaque;
        }
    }
}
