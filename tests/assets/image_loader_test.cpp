// The Windows build's picture loader (packaging/windows/image_loader) against SDL_image 1.2,
// surface by surface and byte by byte: the carried pictures first, since the texture bank
// converts each by its surface type. SDL_image is opened with dlopen, so that its symbols and
// the loader's never meet in one link.
#include "assets/catalogue.h"

#include <SDL.h>
#include <SDL_image.h>  // the loader's: its folder comes before SDL's own

#include <gtest/gtest.h>

#include <dlfcn.h>  // dlopen, dlsym
#include <png.h>

#include <algorithm>  // std::mismatch, std::search
#include <cstdio>     // open_memstream, std::snprintf; jpeglib.h needs FILE
#include <cstdlib>    // std::free
#include <cstring>    // std::memcmp
#include <memory>
#include <string>
#include <utility>  // std::pair
#include <vector>

#include <jpeglib.h>

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

int closes = 0;  // of the stream load() hands over

// What one load left behind: the surface (or none, and SDL's error text), how often the
// loader closed the stream, and where the stream was left if it did not.
struct Outcome {
    std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> surface{nullptr, SDL_FreeSurface};
    std::string error;
    int closes = 0;
    int position = -1;
};

Outcome load(LoadFunction loader, const Bytes& bytes, int freesrc)
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
    Outcome outcome{{loader(stream, freesrc), SDL_FreeSurface}, SDL_GetError(), closes};
    if (closes == 0) {
        outcome.position = SDL_RWtell(stream);
        SDL_RWclose(stream);
    }
    return outcome;
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

// Both load `bytes` alike: the same surface, or both none with the same reason; the stream
// left at the same place either way, and closed by the loader exactly when asked.
void expect_loaded_alike(const std::string& name, const Bytes& bytes)
{
    SCOPED_TRACE(name);
    // Were the loader's symbols the ones found, the test would compare it with itself.
    ASSERT_TRUE(real_load() != nullptr && real_load() != &IMG_Load_RW)
        << "SDL_image 1.2 was not opened apart from the loader: " << dlerror();
    const Outcome real = load(real_load(), bytes, 0);
    const Outcome kept = load(IMG_Load_RW, bytes, 0);
    EXPECT_EQ(real.position, kept.position) << "the stream is left elsewhere, or closed";
    // The show's own way: the loader closes the stream, whatever becomes of the picture.
    const Outcome ours = load(IMG_Load_RW, bytes, 1);
    EXPECT_EQ(ours.closes, 1);
    ASSERT_EQ(real.surface == nullptr, ours.surface == nullptr)
        << "SDL_image: " << (real.surface ? "a surface" : real.error)
        << "; the loader: " << (ours.surface ? "a surface" : ours.error);
    if (real.surface == nullptr) {
        EXPECT_EQ(real.error, ours.error);
        return;
    }
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

Bytes blob_bytes(const AssetBlob& blob)
{
    return Bytes(blob.bytes, blob.bytes + blob.length);
}

// Odd-sized, so that rows need padding; samples differ from pixel to pixel.
constexpr int kWidth = 37;
constexpr int kHeight = 23;

// libpng's own error handling ends the process: a picture it cannot make is the test's fault.
// Palette indices stay below `colours`, which must fill a palette under 8 bits. A palette's
// tRNS is `alphas`; a grey or colour picture's is `key`, when not all zero.
Bytes make_png(int colour_type, int depth, int colours = 0, const Bytes& alphas = {},
               png_color_16 key = {}, int interlace = PNG_INTERLACE_NONE, int width = kWidth)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    char* buffer = nullptr;
    std::size_t size = 0;
    FILE* file = open_memstream(&buffer, &size);
    png_init_io(png, file);
    png_set_IHDR(png, info, width, kHeight, depth, colour_type, interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (int k = 0; k < colours; ++k) {
        palette.push_back({png_byte(k * 13), png_byte(k * 71), png_byte(255 - k)});
    }
    if (colours > 0) {
        png_set_PLTE(png, info, palette.data(), colours);
    }
    if (!alphas.empty() || key.red + key.green + key.blue + key.gray > 0) {
        png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), &key);
    }
    // Every row goes through every pass; libpng takes from it what the pass holds.
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    Bytes row(png_get_rowbytes(png, info));
    for (int k = 0; k < passes * kHeight; ++k) {
        for (std::size_t x = 0; x < row.size(); ++x) {
            row[x] = static_cast<Uint8>((x * 37 + k % kHeight * 91) * 251 %
                                        (depth == 8 && colours ? colours : 256));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// A grey or CMYK JPEG. libjpeg's own error handling ends the process, as libpng's above.
Bytes make_jpeg(int components, int width = kWidth)
{
    jpeg_compress_struct jpeg;
    jpeg_error_mgr errors;
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = width;
    jpeg.image_height = kHeight;
    jpeg.input_components = components;
    jpeg.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&jpeg);
    jpeg_start_compress(&jpeg, TRUE);
    Bytes row(width * components);
    while (jpeg.next_scanline < jpeg.image_height) {
        for (std::size_t x = 0; x < row.size(); ++x) {
            row[x] = static_cast<Uint8>((x * 37 + jpeg.next_scanline * 91) * 251);
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&jpeg, &pointer, 1);
    }
    jpeg_finish_compress(&jpeg);
    jpeg_destroy_compress(&jpeg);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// Where the first marker of `type` from `from` on starts, or the end.
std::size_t find_marker(const Bytes& jpeg, Uint8 type, std::size_t from = 0)
{
    const Uint8 marker[] = {0xFF, type};
    return std::search(jpeg.begin() + static_cast<long>(from), jpeg.end(), marker, marker + 2) -
           jpeg.begin();
}

TEST(ImageLoader, EveryCarriedPictureLoadsAsSdlImageLoadsIt)
{
    for (int k = 0; k < kExtraPictureCount; ++k) {
        expect_loaded_alike("extra/" + std::to_string(k) + ".png", blob_bytes(extra_picture(k)));
    }
    for (int k = 0; k < kPhotoCount; ++k) {
        expect_loaded_alike("photo " + std::to_string(k), blob_bytes(photo(k)));
    }
    expect_loaded_alike("logos/spinning.png", blob_bytes(spinning_logo));
    expect_loaded_alike("logos/pulsing.png", blob_bytes(pulsing_logo));
}

// The carried pictures are 8-bit palette PNGs with tRNS (one transparent index, or many
// alphas), 8-bit RGBA PNGs, and baseline and progressive colour JPEGs.
TEST(ImageLoader, KindsTheCarriedPicturesLeaveOutLoadAsSdlImageLoadsThem)
{
    Bytes filled = blob_bytes(photo(0));
    filled.insert(filled.begin() + 2, {0xFF, 0xFF, 0xFF});
    const std::vector<std::pair<std::string, Bytes>> kinds = {
        {"palette, 8 bits, no tRNS", make_png(PNG_COLOR_TYPE_PALETTE, 8, 200)},
        {"palette, 4 bits, one transparent index",
         make_png(PNG_COLOR_TYPE_PALETTE, 4, 16, {255, 0})},
        {"palette, 2 bits, all opaque tRNS", make_png(PNG_COLOR_TYPE_PALETTE, 2, 4, {255, 255})},
        {"palette, 1 bit, two transparent indices", make_png(PNG_COLOR_TYPE_PALETTE, 1, 2, {0, 0})},
        {"grey, 1 bit", make_png(PNG_COLOR_TYPE_GRAY, 1)},
        {"grey, 8 bits, tRNS", make_png(PNG_COLOR_TYPE_GRAY, 8, 0, {}, {0, 0, 0, 0, 17})},
        {"grey and alpha, 8 bits", make_png(PNG_COLOR_TYPE_GRAY_ALPHA, 8)},
        {"RGB, 8 bits", make_png(PNG_COLOR_TYPE_RGB, 8)},
        {"RGB, 8 bits, tRNS", make_png(PNG_COLOR_TYPE_RGB, 8, 0, {}, {0, 40, 90, 200, 0})},
        // Low and high bytes apart, so that which one becomes the key shows.
        {"RGB, 16 bits, tRNS",
         make_png(PNG_COLOR_TYPE_RGB, 16, 0, {}, {0, 0x1280, 0x3440, 0x5660, 0})},
        {"RGBA, 8 bits, interlaced",
         make_png(PNG_COLOR_TYPE_RGB_ALPHA, 8, 0, {}, {}, PNG_INTERLACE_ADAM7)},
        {"grey JPEG", make_jpeg(1)},
        {"CMYK JPEG", make_jpeg(4)},
        // Fill bytes before a marker are allowed, and SDL_image's marker walk steps over them.
        {"JPEG, fill bytes after the start of image", filled},
    };
    for (const auto& [name, bytes] : kinds) {
        expect_loaded_alike(name, bytes);
    }
}

TEST(ImageLoader, DamagedOrUnsupportedDataFailsOrRecoversAsInSdlImage)
{
    const Bytes baseline = blob_bytes(photo(0));
    const Bytes png = blob_bytes(extra_picture(0));
    const auto first_bytes = [](const Bytes& bytes, long count) {
        return Bytes(bytes.begin(), bytes.begin() + count);
    };

    // A JPEG cut short in its scan still shows, the rest filled in by libjpeg; cut before its
    // scan, it is no JPEG at all.
    expect_loaded_alike("JPEG cut in its scan", first_bytes(baseline, 20000));
    expect_loaded_alike("JPEG cut in its header", first_bytes(baseline, 300));
    // A frame type libjpeg cannot decode fails before the surface exists, a damaged later
    // progressive scan after. at(): photo 0 is baseline and photo 10 progressive, or it fails.
    Bytes lossless = baseline;
    lossless.at(find_marker(lossless, 0xC0) + 1) = 0xC3;
    expect_loaded_alike("lossless JPEG frame", lossless);
    Bytes bad_scan = blob_bytes(photo(10));
    const std::size_t second_scan = find_marker(bad_scan, 0xDA, find_marker(bad_scan, 0xDA) + 2);
    const std::size_t components = bad_scan.at(second_scan + 4);
    bad_scan.at(second_scan + 5 + 2 * components + 1) = 80;  // the last coefficient, past 63
    expect_loaded_alike("progressive JPEG with a damaged later scan", bad_scan);

    expect_loaded_alike("PNG cut in its pixel data", first_bytes(png, 3000));
    // Nothing after the pixels is read: a PNG without its end chunk loads.
    const long kEndChunkSize = 12;
    expect_loaded_alike("PNG without its end chunk",
                        first_bytes(png, static_cast<long>(png.size()) - kEndChunkSize));

    // Wider than SDL makes a surface: no surface, for want of memory as SDL_image puts it.
    const int kTooWide = 16384;
    expect_loaded_alike("PNG too wide for a surface",
                        make_png(PNG_COLOR_TYPE_GRAY, 1, 0, {}, {}, PNG_INTERLACE_NONE, kTooWide));
    expect_loaded_alike("JPEG too wide for a surface", make_jpeg(1, kTooWide));

    expect_loaded_alike("neither PNG nor JPEG", Bytes(20, 'x'));
}

}  // namespace
