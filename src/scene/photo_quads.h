#pragma once
// What the photo cube and the tunnel share: a quad's corner with the photo's texture
// coordinate there, and binding a photo by its position in the photo set.

#include "assets/texture_bank.h"

#include <SDL_opengl.h>

constexpr int kCornersPerQuad = 4;

struct PhotoCorner {
    float u, v;     // texture coordinate: (0, 0) is the photo's top left
    float x, y, z;  // position
};

inline void bind_photo(int photo)
{
    glBindTexture(GL_TEXTURE_2D, bank_texture(photo_records[photo].index));
}
