#pragma once
// The media the show carries inside its own data: the 42 pictures, in the order they are
// loaded (four extra pictures that nothing draws, though they still take bank positions 0-3,
// the 36 photographs of the cube and the tunnel, and the two logos), and the soundtrack. The
// bytes are complete PNG, JPEG or MP3 files, compiled in from media/ by the build
// (cmake/embed.cmake); nothing is read from disk.

#include "assets/asset_blob.h"
#include "core/picture_sets.h"  // kExtraPictureCount, kPhotoCount

#include <cstdint>

// Picture sets: parallel arrays of start addresses and byte lengths, in set order.
extern "C" const unsigned char* const extra_set_addresses[kExtraPictureCount];
extern "C" const std::int32_t extra_set_lengths[kExtraPictureCount];
extern "C" const unsigned char* const photo_set_addresses[kPhotoCount];
extern "C" const std::int32_t photo_set_lengths[kPhotoCount];

extern "C" const AssetBlob spinning_logo;  // 256 x 256, drawn turning
extern "C" const AssetBlob pulsing_logo;   // 512 x 512, drawn pulsing

// The soundtrack, an MP3 file, played by the show's mixer and by the capture's.
extern "C" const AssetBlob music_track;

inline AssetBlob extra_picture(int position)
{
    return AssetBlob{extra_set_addresses[position], extra_set_lengths[position]};
}

inline AssetBlob photo(int position)
{
    return AssetBlob{photo_set_addresses[position], photo_set_lengths[position]};
}
