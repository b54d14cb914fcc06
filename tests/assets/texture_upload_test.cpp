// upload_texture against a real OpenGL context: what each kind of decoded surface becomes as a
// texture (size, texels read back with glGetTexImage, alpha), and the state it leaves set.
#include "assets/texture_bank.h"
#include "gl_window.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdint>
#include <vector>

namespace {
struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba& o) const
    {
        return r == o.r && g == o.g && b == o.b && a == o.a;
    }
};
std::ostream& operator<<(std::ostream& out, const Rgba& c)
{
    return out << "(" << c.r << "," << c.g << "," << c.b << "," << c.a << ")";
}

struct Texture {
    GLint width = 0;
    GLint height = 0;
    std::vector<unsigned char> texels;  // RGBA, rows from t = 0
    Rgba at(int x, int y) const
    {
        const unsigned char* p = &texels[(static_cast<std::size_t>(y) * width + x) * 4];
        return Rgba{p[0], p[1], p[2], p[3]};
    }
};

// Reads back the texture bound now.
Texture bound_texture()
{
    Texture texture;
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

// A picture as a decoder might hand it over: blue in the low byte, alpha on top, so that a
// forgotten conversion shows up as swapped channels.
SDL_Surface* alpha_picture(int width, int height)
{
    SDL_Surface* picture =
        SDL_CreateRGBSurface(0, width, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    for (int y = 0; y < height; ++y) {
        auto* row =
            reinterpret_cast<Uint32*>(static_cast<Uint8*>(picture->pixels) + y * picture->pitch);
        for (int x = 0; x < width; ++x) {
            const Uint8 alpha = (x + y) % 3 == 0 ? 0 : (x + y) % 3 == 1 ? 128 : 255;
            row[x] = SDL_MapRGBA(picture->format, x & 0xFF, y & 0xFF, x >> 8 | 0x40, alpha);
        }
    }
    return picture;
}

Rgba expected_alpha_texel(int x, int y)
{
    const int alpha = (x + y) % 3 == 0 ? 0 : (x + y) % 3 == 1 ? 128 : 255;
    return Rgba{x & 0xFF, y & 0xFF, x >> 8 | 0x40, alpha};
}

SDL_Surface* opaque_picture(int width, int height)
{
    SDL_Surface* picture =
        SDL_CreateRGBSurface(0, width, height, 24, 0x000000FF, 0x0000FF00, 0x00FF0000, 0);
    for (int y = 0; y < height; ++y) {
        Uint8* row = static_cast<Uint8*>(picture->pixels) + y * picture->pitch;
        for (int x = 0; x < width; ++x) {
            row[x * 3] = static_cast<Uint8>(x);
            row[x * 3 + 1] = static_cast<Uint8>(y);
            row[x * 3 + 2] = 7;
        }
    }
    return picture;
}

class UploadTest : public testing::Test {
protected:
    // The show's bank lives as long as the process; a test's bank is let go with the test.
    void TearDown() override
    {
        glDeleteTextures(static_cast<GLsizei>(bank.names.size()), bank.names.data());
        for (SDL_Surface* surface : bank.surfaces) {
            SDL_FreeSurface(surface);
        }
    }
    TextureBank bank;
};
}  // namespace

TEST_F(UploadTest, PictureWithAlphaGrowsToPowerOfTwoKeepingEveryChannel)
{
    const TextureRecord record = upload_texture(alpha_picture(300, 205), bank);
    EXPECT_EQ(record.width, 300);
    EXPECT_EQ(record.height, 205);
    ASSERT_EQ(bank.names.size(), 1u);
    ASSERT_EQ(bank.surfaces.size(), 1u);
    EXPECT_EQ(record.index, 0);

    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), bank.names[0]) << "the new texture stays bound";
    const Texture texture = bound_texture();
    ASSERT_EQ(texture.width, 512);
    ASSERT_EQ(texture.height, 256);
    // Every texel is the source pixel at the rounded-down proportional position, with its own
    // alpha (not blended away), and row 0 is the picture's top row.
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 512; ++x) {
            ASSERT_EQ(texture.at(x, y), expected_alpha_texel(x * 300 / 512, y * 205 / 256))
                << "texel " << x << "," << y;
        }
    }
    EXPECT_EQ(texture.at(511, 255), expected_alpha_texel(299, 204));
    EXPECT_EQ(bound_parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(bound_parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(bound_parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(bound_parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);
    GLint next_level_width = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &next_level_width);
    EXPECT_EQ(next_level_width, 0) << "no mipmaps are made";
}

TEST_F(UploadTest, SmallPicturesStayCrispAndOpaqueOnesGetFullAlpha)
{
    const TextureRecord square = upload_texture(opaque_picture(199, 199), bank);
    EXPECT_EQ(square.width, 199);
    Texture texture = bound_texture();
    EXPECT_EQ(texture.width, 256);
    EXPECT_EQ(texture.height, 256);
    EXPECT_EQ(bound_parameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(bound_parameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(texture.at(255, 255), (Rgba{198, 198, 7, 255}));
    for (std::size_t i = 3; i < texture.texels.size(); i += 4) {
        ASSERT_EQ(texture.texels[i], 255) << "texel " << i / 4;
    }

    upload_texture(opaque_picture(199, 200), bank);
    EXPECT_EQ(bound_parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(bound_parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);

    const TextureRecord dot = upload_texture(opaque_picture(1, 1), bank);
    texture = bound_texture();
    EXPECT_EQ(texture.width, 1);
    EXPECT_EQ(texture.height, 1);
    EXPECT_EQ(dot.width, 1);
    EXPECT_EQ(dot.height, 1);
    EXPECT_EQ(texture.at(0, 0), (Rgba{0, 0, 7, 255}));
}

TEST_F(UploadTest, PowerOfTwoPictureKeepsItsSizeAndPixels)
{
    const TextureRecord record = upload_texture(opaque_picture(256, 256), bank);
    EXPECT_EQ(record.width, 256);
    EXPECT_EQ(record.height, 256);
    const Texture texture = bound_texture();
    ASSERT_EQ(texture.width, 256);
    ASSERT_EQ(texture.height, 256);
    EXPECT_EQ(bound_parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    for (int y = 0; y < 256; y += 17) {
        for (int x = 0; x < 256; x += 13) {
            ASSERT_EQ(texture.at(x, y), (Rgba{x, y, 7, 255}));
        }
    }
}

TEST_F(UploadTest, ColourKeyedPixelsBecomeTransparentBlack)
{
    constexpr int kKey = 3;
    SDL_Surface* picture = SDL_CreateRGBSurface(0, 16, 8, 8, 0, 0, 0, 0);
    SDL_Color colours[4] = {{200, 10, 10, 0}, {10, 200, 10, 0}, {10, 10, 200, 0}, {90, 90, 90, 0}};
    SDL_SetColors(picture, colours, 0, 4);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            static_cast<Uint8*>(picture->pixels)[y * picture->pitch + x] =
                static_cast<Uint8>((x + 2 * y) % 4);
        }
    }
    SDL_SetColorKey(picture, SDL_SRCCOLORKEY, kKey);
    upload_texture(picture, bank);
    const Texture texture = bound_texture();
    ASSERT_EQ(texture.width, 16);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            const int entry = (x + 2 * y) % 4;
            const Rgba expected =
                entry == kKey ? Rgba{0, 0, 0, 0}
                              : Rgba{colours[entry].r, colours[entry].g, colours[entry].b, 255};
            ASSERT_EQ(texture.at(x, y), expected) << x << "," << y;
        }
    }
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    open_gl_window(64, 64);
    return RUN_ALL_TESTS();
}
