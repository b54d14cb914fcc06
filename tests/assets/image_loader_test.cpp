// Every carried picture: its blob holds its file in media/, byte for byte, and the Windows
// build's picture loader (src/image_loader) loads it as SDL_image 1.2 does,
// surface by surface and byte by byte: the texture bank converts each by its surface type.
// SDL_image is opened with dlopen, so that its symbols and the loader's never meet in one link.
#include "assets/catalogue.h"

#include <SDL.h>
#include <SDL_image.h>  // the loader's: its folder comes before SDL's own

#include <gtest/gtest.h>

#include <dlfcn.h>  // dlopen, dlsym

#include <algorithm>  // std::mismatch
#include <cstdio>     // std::snprintf
#include <cstring>    // std::memcmp
#include <fstream>
#include <iterator>  // std::istreambuf_iterator
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<Uint8>;
using LoadFunction = SDL_Surface* (*)(SDL_RWops*, int);

// Opened once and never closed: its surfaces are freed through SDL, which outlives the test.
LoadFunction real_load()
{
    static void* const library = dlopen("libSDL_image-1.2.so.0", RTLD_NOW | RTLD_LOCAL);
    static const auto load =
        reinterpret_cast<LoadFunction>(library ? dlsym(library, "IMG_Load_RW") : nullptr);
    return load;
}

// What one load left behind: the surface (or none, and SDL's error text), and how often the
// loader closed the stream it was handed, which the show always hands over.
struct Outcome {
    std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> surface{nullptr, SDL_FreeSurface};
    std::string error;
    int closes = 0;
};

int closes = 0;

Outcome load(LoadFunction loader, const Bytes& bytes)
{
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    stream->close = [](SDL_RWops* closing) {
        ++closes;
        SDL_FreeRW(closing);  // all a memory stream's own closing does
        return 0;
    };
    closes = 0;
    SDL_ClearError();
    // Braces evaluate in order: the error text and the count are the load's.
    return Outcome{{loader(stream, 1), SDL_FreeSurface}, SDL_GetError(), closes};
}

std::string describe(const SDL_Surface& s)
{
    const SDL_PixelFormat& f = *s.format;
    char text[200];
    std::snprintf(text, sizeof text,
                  "%dx%d, pitch %d, flags %#x, %d bits in %d bytes, masks %#x %#x %#x %#x, "
                  "key %#x, alpha %d, %d colours",
                  s.w, s.h, s.pitch, s.flags, f.BitsPerPixel, f.BytesPerPixel, f.Rmask, f.Gmask,
                  f.Bmask, f.Amask, f.colorkey, f.alpha, f.palette ? f.palette->ncolors : 0);
    return text;
}

// The blob of media/`name` is the file, and both load it alike: the same surface, byte for
// byte, and the stream closed once.
void expect_carried_alike(const std::string& name, const AssetBlob& blob)
{
    SCOPED_TRACE(name);
    const Bytes bytes(blob.bytes, blob.bytes + blob.length);
    std::ifstream file(std::string(CORVANEL_MEDIA_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(Bytes(std::istreambuf_iterator<char>(file), {}) == bytes) << "not its file";
    // Were the loader's symbols the ones found, the test would compare it with itself.
    ASSERT_TRUE(real_load() != nullptr && real_load() != &IMG_Load_RW)
        << "SDL_image 1.2 was not opened apart from the loader: " << dlerror();
    const Outcome real = load(real_load(), bytes);
    const Outcome ours = load(IMG_Load_RW, bytes);
    EXPECT_EQ(ours.closes, 1);
    ASSERT_TRUE(real.surface != nullptr) << real.error;
    ASSERT_TRUE(ours.surface != nullptr) << ours.error;
    const SDL_Surface& e = *real.surface;
    const SDL_Surface& a = *ours.surface;
    ASSERT_EQ(describe(e), describe(a));
    if (e.format->palette != nullptr) {
        EXPECT_EQ(0, std::memcmp(e.format->palette->colors, a.format->palette->colors,
                                 e.format->palette->ncolors * sizeof(SDL_Color)))
            << "the palettes differ";
    }
    const auto* e_pixels = static_cast<const Uint8*>(e.pixels);
    const long size = static_cast<long>(e.h) * e.pitch;  // the padding too: SDL zeroes it
    const auto* first =
        std::mismatch(e_pixels, e_pixels + size, static_cast<const Uint8*>(a.pixels)).first;
    EXPECT_EQ(first - e_pixels, size) << "first differing row: " << (first - e_pixels) / e.pitch;
}

TEST(ImageLoader, EveryCarriedPictureIsItsFileAndLoadsAsSdlImageLoadsIt)
{
    for (int k = 0; k < kExtraPictureCount; ++k) {
        expect_carried_alike("extra/" + std::to_string(k) + ".png", extra_picture(k));
    }
    for (int k = 0; k < kPhotoCount; ++k) {
        expect_carried_alike((k < 10 ? "photos/0" : "photos/") + std::to_string(k) + ".jpg",
                             photo(k));
    }
    expect_carried_alike("logos/spinning.png", spinning_logo);
    expect_carried_alike("logos/pulsing.png", pulsing_logo);
}

}  // namespace
