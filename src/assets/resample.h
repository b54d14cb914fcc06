#pragma once
// The pixel arithmetic of turning a picture into a power-of-two texture, kept apart from SDL
// and OpenGL so that it can be checked on plain buffers: the power-of-two side, the
// nearest-neighbour resampling, and the choice of filter by the picture's own size.

#include <cstdint>

// The smallest power of two that is at least `side` (1 for a side of 1 or less).
std::int32_t power_of_two_at_least(std::int32_t side);

// True when a picture of this size is smoothed when drawn (GL_LINEAR), false when it stays
// crisp (GL_NEAREST): pictures at least kSmoothingThreshold pixels wide or tall are smoothed.
constexpr std::int32_t kSmoothingThreshold = 200;
bool smooth_when_drawn(std::int32_t width, std::int32_t height);

// One 32-bit pixel buffer seen through its pitch: `pixels_per_row` may exceed `width` when
// rows are padded.
struct PixelView {
    std::uint32_t* pixels;
    std::int32_t width;
    std::int32_t height;
    std::int32_t pixels_per_row;
};

// Fills every pixel of `to` with the nearest pixel of `from`: destination row y reads source
// row floor(y * from.height / to.height), and likewise for columns. Pixels are copied
// unchanged. Only the first `width` pixels of each row are read or written.
void resample_nearest(const PixelView& from, const PixelView& to);
