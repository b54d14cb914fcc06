// Reading pictures back for the tests, through the same libraries a viewer would use:
// libjpeg for the photographs, libpng for the logos and extras. Both throw on a bad file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

Bytes read_file(const std::string& path);

struct DecodedJpeg {
    int width = 0;
    int height = 0;
    bool progressive = false;
    Bytes rgb;
    Bytes after_end;  // whatever follows the end-of-image marker
};
DecodedJpeg decode_jpeg(const Bytes& file);

// Expanded to RGBA, rows top first.
Bytes decode_png(const Bytes& file);
