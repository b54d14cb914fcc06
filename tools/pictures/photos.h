// The show's 36 photographs: their pixel sizes and file formats in set order, and the scene
// behind each one.
#pragma once

#include "core/picture_sets.h"  // kPhotoCount, the show's own
#include "encode.h"

#include <string>

struct PhotoFormat {
    int width;
    int height;
    bool progressive;
    int trailing_zero_bytes;  // zero bytes written after the end-of-image marker
};

PhotoFormat photo_format(int index);
// One line naming what the picture shows, for the generator's listing.
std::string photo_title(int index);
// Renders photo `index` at any size (the committed files use photo_format's size; the tests
// render small copies). `threads` only changes the speed, never the pixels.
PixelBuffer render_photo(int index, int width, int height, int threads);
// The file as written: JPEG at the photo's format plus its trailing bytes.
Bytes photo_file(int index, int threads);
