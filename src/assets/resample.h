#pragma once
// The pixel arithmetic of turning a picture into a power-of-two texture, kept apart from SDL
// and OpenGL so that it can be checked on plain buffers: widening 3-byte pixels to 4, the
// power-of-two side, the nearest-neighbour resampling, and the choice of filter by the
// picture's own size.

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

// A picture of 3-byte pixels, one 8-bit channel per byte (as JPEG pictures decode), seen
// through its pitch.
struct Rgb24View {
    const std::uint8_t* bytes;
    std::int32_t width;
    std::int32_t height;
    std::int32_t bytes_per_row;
    int red_byte;  // which byte of a pixel holds each channel
    int green_byte;
    int blue_byte;
};

// Writes every pixel of `from` into the pixel of `to` at the same place, as
// red | green << 8 | blue << 16 | alpha << 24, `alpha` for all: what an SDL blit onto such a
// surface gives, without its per-pixel general path. `to` has at least `from`'s size; only
// the first `from.width` pixels of each of its rows are written.
void widen_rgb24(const Rgb24View& from, std::uint8_t alpha, const PixelView& to);
