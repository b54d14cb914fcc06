// Picture files for the show: JPEG photographs through libjpeg-turbo, PNG logos and extras
// through libpng, and the palette reduction that the palette PNGs need.
//
// Everything encodes into memory first, so the tests can read the exact bytes back without
// touching the disk, and the generator writes each file in one go.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// 8-bit pixels, rows top first, no padding: 3 bytes a pixel (R, G, B) or 4 (R, G, B, A with
// straight, not premultiplied, alpha).
struct PixelBuffer {
    int width = 0;
    int height = 0;
    int channels = 0;
    Bytes pixels;
};

// A palette picture: one index a pixel into at most 256 RGBA entries.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::array<std::uint8_t, 4>> palette;
    Bytes indices;
};

struct JpegOptions {
    int quality = 90;
    bool progressive = false;
};

Bytes encode_jpeg(const PixelBuffer& rgb, const JpegOptions& options);
Bytes encode_png_rgba(const PixelBuffer& rgba);
// Entries with alpha below 255 are moved to the front of the palette so that the
// transparency chunk stays as short as the picture allows.
Bytes encode_png_indexed(const IndexedPicture& picture);

// Median-cut reduction of an RGBA buffer to at most `max_colours` entries. Pixels with alpha 0
// all share one fully transparent entry (colour black); if the buffer's alpha is only ever 0
// or 255 the palette has exactly one entry that is not opaque.
IndexedPicture reduce_to_palette(const PixelBuffer& rgba, int max_colours = 256);

void write_file(const std::string& path, const Bytes& bytes);
