#pragma once
// The 42 pictures the show carries inside its own data, in the order they are loaded: four
// extra pictures that nothing draws (they still take bank positions 0-3), the 36 photographs
// of the cube and the tunnel, and the two logos. The bytes are complete PNG or JPEG files,
// compiled in from media/ by the build (cmake/embed.cmake); nothing is read from disk.

#include "assets/asset_blob.h"

#include <cstdint>

constexpr int kExtraPictureCount = 4;
constexpr int kPhotoCount = 36;

// Picture sets: parallel arrays of start addresses and byte lengths, in set order.
extern "C" const unsigned char* const extra_set_addresses[kExtraPictureCount];
extern "C" const std::int32_t extra_set_lengths[kExtraPictureCount];
extern "C" const unsigned char* const photo_set_addresses[kPhotoCount];
extern "C" const std::int32_t photo_set_lengths[kPhotoCount];

extern "C" const AssetBlob spinning_logo;  // 256 x 256, drawn turning
extern "C" const AssetBlob pulsing_logo;   // 512 x 512, drawn pulsing

inline AssetBlob extra_picture(int position)
{
    return AssetBlob{extra_set_addresses[position], extra_set_lengths[position]};
}

inline AssetBlob photo(int position)
{
    return AssetBlob{photo_set_addresses[position], photo_set_lengths[position]};
}
