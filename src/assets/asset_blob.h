#pragma once
// One medium compiled into the executable (see cmake/embed.cmake): the unchanged bytes of a
// complete PNG, JPEG or MP3 file and their length.

#include <cstdint>

struct AssetBlob {
    const unsigned char* bytes;
    std::int32_t length;
};
