// The show's logos and extra pictures, drawn from shapes and FreeType lettering (DejaVu, from
// Debian's fonts-dejavu-core) and written as the PNG formats the show carries.
#pragma once

#include "core/picture_sets.h"  // kExtraPictureCount
#include "encode.h"

#include <string>

// Where the DejaVu fonts are installed; the tests may point elsewhere.
std::string default_font_dir();

// The pulsing title: 512 × 512 RGBA, soft-edged lettering that reads over busy photos.
PixelBuffer draw_title_logo(const std::string& font_dir);
// The turning emblem: 256 × 256, drawn in RGBA and then reduced to a palette.
PixelBuffer draw_emblem(const std::string& font_dir);
// Extra picture `index` (0 to 3), drawn in RGBA at its own size.
PixelBuffer draw_extra(int index, const std::string& font_dir);

// The files as written: palette PNGs where the show carries palettes, RGBA otherwise.
Bytes spinning_logo_file(const std::string& font_dir);
Bytes pulsing_logo_file(const std::string& font_dir);
Bytes extra_file(int index, const std::string& font_dir);
