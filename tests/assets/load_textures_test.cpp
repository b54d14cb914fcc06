// load_textures() with the real carried pictures on a real OpenGL context: the record tables
// before and after, the bank's order, every texture against its kept surface, and the PNG
// pictures against an independent decode with libpng. The decode failure is forced through a
// link-time wrap of IMG_Load_RW that exists only in this test program.
#include "assets/catalogue.h"
#include "assets/texture_bank.h"
#include "gl_window.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_opengl.h>
#include <png.h>

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" SDL_Surface* __real_IMG_Load_RW(SDL_RWops*, int);

namespace {
constexpr int kBankSize = kExtraPictureCount + kPhotoCount + 2;
constexpr int kFirstPhoto = kExtraPictureCount;
constexpr int kSpinningLogoPosition = kFirstPhoto + kPhotoCount;
constexpr int kPulsingLogoPosition = kSpinningLogoPosition + 1;

int decodes_until_failure = 0;  // 0: never fail; n: the nth decode from now fails

bool is_zero(const TextureRecord& record)
{
    return record.width == 0 && record.height == 0 && record.index == 0;
}

std::vector<unsigned char> texture_texels(GLuint name, GLint* width, GLint* height)
{
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
    std::vector<unsigned char> texels(static_cast<std::size_t>(*width) * *height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

// The picture as libpng decodes it, non-premultiplied RGBA, rows top first.
std::vector<unsigned char> png_rgba(const AssetBlob& blob, int* width, int* height)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    std::vector<unsigned char> rgba;
    if (!png_image_begin_read_from_memory(&image, blob.bytes, blob.length)) {
        ADD_FAILURE() << "libpng: " << image.message;
        return rgba;
    }
    image.format = PNG_FORMAT_RGBA;
    rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        ADD_FAILURE() << "libpng: " << image.message;
    }
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return rgba;
}

class LoadedBank : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (texture_bank.names.empty()) {
            load_textures();
        }
    }
};
}  // namespace

extern "C" SDL_Surface* __wrap_IMG_Load_RW(SDL_RWops* stream, int free_stream)
{
    if (decodes_until_failure > 0 && --decodes_until_failure == 0) {
        SDL_RWclose(stream);
        SDL_SetError("forced decoder failure");
        return nullptr;
    }
    return __real_IMG_Load_RW(stream, free_stream);
}

// Nothing has been loaded in this process yet (the death test loads only in its own child).
TEST(BeforeLoading, RecordTablesAreAllZero)
{
    ASSERT_TRUE(texture_bank.names.empty());
    for (int k = 0; k < kRecordTableSize; ++k) {
        ASSERT_TRUE(is_zero(extra_records[k])) << "extra record " << k;
        ASSERT_TRUE(is_zero(photo_records[k])) << "photo record " << k;
    }
    EXPECT_TRUE(is_zero(spinning_logo_record));
    EXPECT_TRUE(is_zero(pulsing_logo_record));
}

TEST_F(LoadedBank, HoldsEveryPictureInCatalogueOrder)
{
    ASSERT_EQ(texture_bank.names.size(), static_cast<std::size_t>(kBankSize));
    ASSERT_EQ(texture_bank.surfaces.size(), static_cast<std::size_t>(kBankSize));
    for (int k = 0; k < kExtraPictureCount; ++k) {
        EXPECT_EQ(extra_records[k].index, k);
    }
    for (int k = 0; k < kPhotoCount; ++k) {
        EXPECT_EQ(photo_records[k].index, kFirstPhoto + k) << "photo " << k;
        const SDL_Surface* kept = texture_bank.surfaces[kFirstPhoto + k];
        // The kept buffer is the photo's own size rounded up, so the record is the photo's.
        EXPECT_GE(kept->w, photo_records[k].width);
        EXPECT_LT(kept->w, 2 * photo_records[k].width);
        EXPECT_GE(kept->h, photo_records[k].height);
        EXPECT_LT(kept->h, 2 * photo_records[k].height);
    }
    EXPECT_EQ(photo_records[25].width, 300);
    EXPECT_EQ(photo_records[25].height, 205);
    EXPECT_EQ(spinning_logo_record.index, kSpinningLogoPosition);
    EXPECT_EQ(spinning_logo_record.width, 256);
    EXPECT_EQ(spinning_logo_record.height, 256);
    EXPECT_EQ(pulsing_logo_record.index, kPulsingLogoPosition);
    EXPECT_EQ(pulsing_logo_record.width, 512);
    EXPECT_EQ(pulsing_logo_record.height, 512);
    for (int k = kExtraPictureCount; k < kRecordTableSize; ++k) {
        EXPECT_TRUE(is_zero(extra_records[k])) << "extra record " << k;
    }
    for (int k = kPhotoCount; k < kRecordTableSize; ++k) {
        EXPECT_TRUE(is_zero(photo_records[k])) << "photo record " << k;
    }
    for (int k = 0; k < kBankSize; ++k) {
        EXPECT_EQ(bank_texture(k), texture_bank.names[k]);
        EXPECT_TRUE(glIsTexture(bank_texture(k))) << "bank position " << k;
    }
}

TEST_F(LoadedBank, EveryTextureEqualsItsResampledSurface)
{
    for (int k = 0; k < kBankSize; ++k) {
        const SDL_Surface* kept = texture_bank.surfaces[k];
        GLint width = 0;
        GLint height = 0;
        const std::vector<unsigned char> texels = texture_texels(bank_texture(k), &width, &height);
        ASSERT_EQ(width, kept->w) << "bank position " << k;
        ASSERT_EQ(height, kept->h) << "bank position " << k;
        for (int y = 0; y < height; ++y) {
            const auto* row = static_cast<const unsigned char*>(kept->pixels) + y * kept->pitch;
            ASSERT_EQ(std::memcmp(row, &texels[static_cast<std::size_t>(y) * width * 4], width * 4),
                      0)
                << "bank position " << k << ", row " << y;
        }
    }
}

TEST_F(LoadedBank, PngPicturesAreTransparentExactlyWhereTheirFilesSay)
{
    struct Png {
        AssetBlob blob;
        int position;
    };
    const Png pngs[] = {{extra_picture(0), 0},
                        {extra_picture(1), 1},
                        {extra_picture(2), 2},
                        {extra_picture(3), 3},
                        {spinning_logo, kSpinningLogoPosition},
                        {pulsing_logo, kPulsingLogoPosition}};
    for (const Png& png : pngs) {
        int width = 0;
        int height = 0;
        const std::vector<unsigned char> expected = png_rgba(png.blob, &width, &height);
        GLint texture_width = 0;
        GLint texture_height = 0;
        const std::vector<unsigned char> texels =
            texture_texels(bank_texture(png.position), &texture_width, &texture_height);
        // These pictures already have power-of-two sides: texel k is pixel k.
        ASSERT_EQ(texture_width, width) << "bank position " << png.position;
        ASSERT_EQ(texture_height, height) << "bank position " << png.position;
        std::size_t transparent = 0;
        for (std::size_t p = 0; p < expected.size(); p += 4) {
            const unsigned char alpha = expected[p + 3];
            ASSERT_EQ(texels[p + 3], alpha)
                << "bank position " << png.position << ", pixel " << p / 4;
            if (alpha == 0) {
                ++transparent;
                continue;  // its colour is never seen
            }
            ASSERT_TRUE(std::memcmp(&texels[p], &expected[p], 3) == 0)
                << "bank position " << png.position << ", pixel " << p / 4;
        }
        EXPECT_GT(transparent, 0u) << "bank position " << png.position << " has no transparency";
    }
}

TEST(LoadFailureDeathTest, APictureThatDoesNotDecodeIsNamedAndEndsTheProcess)
{
    const int nth = kExtraPictureCount + 12 + 1;  // photo 12
    EXPECT_EXIT(
        {
            decodes_until_failure = nth;
            load_textures();
        },
        testing::ExitedWithCode(1),
        "^IMG_Load_RW failed for photo_set 12: forced decoder failure\n$");
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // The context's driver runs threads: a death test must start afresh, not fork them.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    open_gl_window(64, 64);
    return RUN_ALL_TESTS();
}
