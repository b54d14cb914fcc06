// The texture bank on a real OpenGL context: what upload_texture makes of each kind of decoded
// surface (size, texels read back, alpha, the state left set). (Its fatal paths are the
// executable's, driven end to end, and the carried pictures are compared with their files
// by the catalogue test and with SDL_image by the picture loader's.)
#include "assets/texture_bank.h"
#include "gl_window.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {
struct Texture {
    GLint width = 0;
    GLint height = 0;
    std::vector<unsigned char> texels;  // RGBA, rows from t = 0
    std::vector<int> at(int x, int y) const
    {
        const unsigned char* p = &texels[(static_cast<std::size_t>(y) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
};

Texture read_texture(GLuint name)
{
    Texture texture;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texture.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &texture.height);
    texture.texels.resize(static_cast<std::size_t>(texture.width) * texture.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texture.texels.data());
    return texture;
}

GLint bound_parameter(GLenum parameter)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

// How a decoder might hand a picture over: 32-bit with blue in the low byte and alpha on top,
// 24-bit opaque RGB, or 8-bit with a palette and a colour key, so that a forgotten conversion
// shows up as swapped channels and a keyed pixel that keeps its colour as a fringe.
enum Kind { kArgb32, kRgb24, kKeyed8 };

// The colour a test picture has at (x, y). The blue channel carries x's high bits so that
// columns past 255 stay distinguishable; keyed pictures cycle through a palette whose last
// entry (black) is keyed out, to transparent black.
std::vector<int> test_colour(int x, int y, Kind kind)
{
    constexpr int kAlphas[3] = {0, 128, 255};
    const int entry = (x + y) % 4;
    if (kind == kKeyed8) {
        return entry == 3 ? std::vector<int>{0, 0, 0, 0}
                          : std::vector<int>{60 * entry + 20, 200 - 60 * entry, 90, 255};
    }
    return {x & 0xFF, y & 0xFF, x >> 8 | 0x40, kind == kArgb32 ? kAlphas[(x + y) % 3] : 255};
}

SDL_Surface* test_picture(int width, int height, Kind kind)
{
    SDL_Surface* picture =
        kind == kArgb32
            ? SDL_CreateRGBSurface(0, width, height, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)
        : kind == kRgb24 ? SDL_CreateRGBSurface(0, width, height, 24, 0xFF, 0xFF00, 0xFF0000, 0)
                         : SDL_CreateRGBSurface(0, width, height, 8, 0, 0, 0, 0);
    if (kind == kKeyed8) {
        SDL_Color palette[4] = {{20, 200, 90, 0}, {80, 140, 90, 0}, {140, 80, 90, 0}, {0, 0, 0, 0}};
        SDL_SetColors(picture, palette, 0, 4);
        SDL_SetColorKey(picture, SDL_SRCCOLORKEY, 3);
    }
    for (int y = 0; y < height; ++y) {
        Uint8* row = static_cast<Uint8*>(picture->pixels) + y * picture->pitch;
        for (int x = 0; x < width; ++x) {
            const std::vector<int> c = test_colour(x, y, kind);
            const Uint32 pixel = SDL_MapRGBA(picture->format, c[0], c[1], c[2], c[3]);
            std::memcpy(row + x * picture->format->BytesPerPixel, &pixel,
                        picture->format->BytesPerPixel);
        }
    }
    return picture;
}
}  // namespace

TEST(Upload, EachPictureBecomesAPowerOfTwoTextureOfItsNearestPixels)
{
    struct Case {
        int width, height;
        Kind kind;
        GLint texture_width, texture_height, filter;
    };
    const Case cases[] = {
        {300, 205, kArgb32, 512, 256, GL_LINEAR}, {199, 199, kRgb24, 256, 256, GL_NEAREST},
        {199, 200, kArgb32, 256, 256, GL_LINEAR}, {200, 199, kRgb24, 256, 256, GL_LINEAR},
        {1, 1, kRgb24, 1, 1, GL_NEAREST},         {256, 256, kRgb24, 256, 256, GL_LINEAR},
        {12, 6, kKeyed8, 16, 8, GL_NEAREST}};
    TextureBank bank;
    for (const Case& c : cases) {
        const std::size_t position = bank.names.size();
        const TextureRecord record = upload_texture(test_picture(c.width, c.height, c.kind), bank);
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_EQ(record.width, c.width);
        EXPECT_EQ(record.height, c.height);
        EXPECT_EQ(record.index, static_cast<std::int32_t>(position));
        ASSERT_EQ(bank.names.size(), position + 1);
        const Texture texture = read_texture(bank.names[position]);  // bound from here on
        EXPECT_EQ(bound_parameter(GL_TEXTURE_MAG_FILTER), c.filter);
        EXPECT_EQ(bound_parameter(GL_TEXTURE_MIN_FILTER), c.filter);
        EXPECT_EQ(bound_parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(bound_parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
        ASSERT_EQ(texture.width, c.texture_width);
        ASSERT_EQ(texture.height, c.texture_height);
        for (int y = 0; y < texture.height; ++y) {
            for (int x = 0; x < texture.width; ++x) {
                ASSERT_EQ(texture.at(x, y), test_colour(x * c.width / texture.width,
                                                        y * c.height / texture.height, c.kind))
                    << "texel " << x << "," << y;
            }
        }
    }
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    open_gl_window(64, 64);
    return RUN_ALL_TESTS();
}
