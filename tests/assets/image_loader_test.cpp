// The Windows build's picture loader (packaging/windows/image_loader) against SDL_image 1.2
// itself: every carried picture, pictures of each kind PNG and JPEG can hold, damaged data and
// the stream rules, each surface compared field by field and byte by byte. SDL_image is opened
// with dlopen, so that its symbols and the loader's never meet in one link; libpng and libjpeg
// make the test's own pictures.
#include "assets/catalogue.h"

#include <SDL.h>
#include <SDL_image.h>  // the loader's: its folder comes before SDL's own

#include <gtest/gtest.h>

#include <dlfcn.h>  // dlopen, dlsym
#include <png.h>
#include <setjmp.h>

#include <algorithm>  // std::max, std::min
#include <cstdio>     // jpeglib.h uses FILE without including its header
#include <cstdlib>    // std::free
#include <cstring>    // std::memcmp, std::memcpy
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<Uint8>;
using LoadFunction = SDL_Surface* (*)(SDL_RWops*, int);
using InitFunction = int (*)(int);
using QuitFunction = void (*)();

struct Loader {
    LoadFunction load;
    InitFunction init;
    QuitFunction quit;
};

const Loader kOurs{IMG_Load_RW, IMG_Init, IMG_Quit};

// Opened once and never closed: its surfaces are freed through SDL, which outlives the test.
const Loader& real_sdl_image()
{
    static const Loader real = [] {
        void* library = dlopen("libSDL_image-1.2.so.0", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            return Loader{nullptr, nullptr, nullptr};
        }
        return Loader{reinterpret_cast<LoadFunction>(dlsym(library, "IMG_Load_RW")),
                      reinterpret_cast<InitFunction>(dlsym(library, "IMG_Init")),
                      reinterpret_cast<QuitFunction>(dlsym(library, "IMG_Quit"))};
    }();
    return real;
}

class ImageLoader : public testing::Test {
protected:
    void SetUp() override
    {
        const Loader& real = real_sdl_image();
        ASSERT_TRUE(real.load != nullptr && real.init != nullptr && real.quit != nullptr)
            << "SDL_image 1.2 could not be opened: " << dlerror();
        // Were the loader's symbols the ones found, the test would compare it with itself.
        ASSERT_NE(reinterpret_cast<void*>(real.load), reinterpret_cast<void*>(kOurs.load));
    }
};

struct SurfaceFree {
    void operator()(SDL_Surface* surface) const
    {
        SDL_FreeSurface(surface);
    }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceFree>;

// What one load left behind: the surface (or none, and SDL's error text) and where the stream
// was left.
struct Outcome {
    SurfacePtr surface;
    std::string error;
    int position = 0;
};

Outcome load_bytes(const Loader& loader, const Bytes& bytes)
{
    static Uint8 empty = 0;
    SDL_RWops* stream = SDL_RWFromMem(bytes.empty() ? &empty : const_cast<Uint8*>(bytes.data()),
                                      static_cast<int>(bytes.size()));
    SDL_ClearError();
    Outcome outcome;
    outcome.surface.reset(loader.load(stream, 0));
    outcome.error = SDL_GetError();
    outcome.position = SDL_RWtell(stream);
    SDL_RWclose(stream);
    return outcome;
}

void expect_same_surface(const SDL_Surface& expected, const SDL_Surface& actual)
{
    EXPECT_EQ(expected.flags, actual.flags);
    EXPECT_EQ(expected.w, actual.w);
    EXPECT_EQ(expected.h, actual.h);
    EXPECT_EQ(expected.refcount, actual.refcount);
    EXPECT_TRUE(std::memcmp(&expected.clip_rect, &actual.clip_rect, sizeof(SDL_Rect)) == 0);

    const SDL_PixelFormat& e = *expected.format;
    const SDL_PixelFormat& a = *actual.format;
    EXPECT_EQ(e.BitsPerPixel, a.BitsPerPixel);
    EXPECT_EQ(e.BytesPerPixel, a.BytesPerPixel);
    EXPECT_EQ(e.Rmask, a.Rmask);
    EXPECT_EQ(e.Gmask, a.Gmask);
    EXPECT_EQ(e.Bmask, a.Bmask);
    EXPECT_EQ(e.Amask, a.Amask);
    EXPECT_TRUE(e.Rshift == a.Rshift && e.Gshift == a.Gshift && e.Bshift == a.Bshift &&
                e.Ashift == a.Ashift && e.Rloss == a.Rloss && e.Gloss == a.Gloss &&
                e.Bloss == a.Bloss && e.Aloss == a.Aloss)
        << "channel shifts or losses differ";
    EXPECT_EQ(e.colorkey, a.colorkey);
    EXPECT_EQ(e.alpha, a.alpha);
    ASSERT_EQ(e.palette == nullptr, a.palette == nullptr);
    if (e.palette != nullptr) {
        ASSERT_EQ(e.palette->ncolors, a.palette->ncolors);
        for (int k = 0; k < e.palette->ncolors; ++k) {
            const SDL_Color& ec = e.palette->colors[k];
            const SDL_Color& ac = a.palette->colors[k];
            ASSERT_TRUE(ec.r == ac.r && ec.g == ac.g && ec.b == ac.b && ec.unused == ac.unused)
                << "palette entry " << k << " differs";
        }
    }

    ASSERT_EQ(expected.pitch, actual.pitch);
    const auto* e_pixels = static_cast<const Uint8*>(expected.pixels);
    const auto* a_pixels = static_cast<const Uint8*>(actual.pixels);
    const int size = expected.h * expected.pitch;  // the padding too: SDL zeroes it
    if (std::memcmp(e_pixels, a_pixels, static_cast<std::size_t>(size)) == 0) {
        return;
    }
    for (int k = 0; k < size; ++k) {
        ASSERT_EQ(e_pixels[k], a_pixels[k]) << "first differing byte at row " << k / expected.pitch
                                            << ", byte " << k % expected.pitch;
    }
}

// Both load `bytes` alike: the same surface, or both none with the same reason; the stream
// left at the same place either way.
void expect_loaded_alike(const std::string& name, const Bytes& bytes)
{
    SCOPED_TRACE(name);
    const Outcome real = load_bytes(real_sdl_image(), bytes);
    const Outcome ours = load_bytes(kOurs, bytes);
    EXPECT_EQ(real.position, ours.position) << "the stream is left elsewhere";
    ASSERT_EQ(real.surface == nullptr, ours.surface == nullptr)
        << "SDL_image: " << (real.surface ? "a surface" : real.error)
        << "; the loader: " << (ours.surface ? "a surface" : ours.error);
    if (real.surface == nullptr) {
        EXPECT_EQ(real.error, ours.error);
        return;
    }
    expect_same_surface(*real.surface, *ours.surface);
}

Bytes blob_bytes(const AssetBlob& blob)
{
    return Bytes(blob.bytes, blob.bytes + blob.length);
}

// ---- Test pictures -----------------------------------------------------------------------

// A PNG of a given kind, its samples a fixed pattern that touches every value a sample can
// take; for palette pictures, indices into `palette_size` entries.
struct PngKind {
    std::string name;
    int width;
    int height;
    int colour_type;
    int bit_depth;
    int interlace = PNG_INTERLACE_NONE;
    int palette_size = 0;
    Bytes alphas = {};                         // tRNS of a palette picture
    const png_color_16* key_colour = nullptr;  // tRNS of a grey or colour picture
};

int channels_of(int colour_type)
{
    switch (colour_type) {
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        default:
            return 1;
    }
}

std::vector<Bytes> png_rows(const PngKind& kind)
{
    const int channels = channels_of(kind.colour_type);
    const long levels =
        kind.colour_type == PNG_COLOR_TYPE_PALETTE ? kind.palette_size : 1L << kind.bit_depth;
    std::vector<Bytes> rows;
    for (int y = 0; y < kind.height; ++y) {
        Bytes row((kind.width * channels * kind.bit_depth + 7) / 8, 0);
        for (int x = 0; x < kind.width; ++x) {
            for (int c = 0; c < channels; ++c) {
                const int sample = x * channels + c;
                const long value = (x * 37L + y * 91L + c * 53L) * 251L % levels;
                if (kind.bit_depth == 16) {
                    row[2 * sample] = static_cast<Uint8>(value >> 8);
                    row[2 * sample + 1] = static_cast<Uint8>(value);
                } else {
                    const int bit = sample * kind.bit_depth;
                    const int shift = 8 - kind.bit_depth - bit % 8;
                    row[bit / 8] |= static_cast<Uint8>(value << shift);
                }
            }
        }
        rows.push_back(row);
    }
    return rows;
}

void append_png_bytes(png_structp png, png_bytep data, png_size_t size)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

// Nothing with a destructor is made after setjmp here, so libpng's longjmp skips none.
bool write_png(const PngKind& kind, std::vector<png_bytep>& row_pointers,
               std::vector<png_color>& palette, Bytes* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, append_png_bytes, nullptr);
    png_set_IHDR(png, info, kind.width, kind.height, kind.bit_depth, kind.colour_type,
                 kind.interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    if (!kind.alphas.empty()) {
        png_set_tRNS(png, info, kind.alphas.data(), static_cast<int>(kind.alphas.size()), nullptr);
    }
    if (kind.key_colour != nullptr) {
        png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16*>(kind.key_colour));
    }
    png_write_info(png, info);
    png_write_image(png, row_pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

Bytes encode_png(const PngKind& kind)
{
    std::vector<Bytes> rows = png_rows(kind);
    std::vector<png_bytep> row_pointers;
    for (Bytes& row : rows) {
        row_pointers.push_back(row.data());
    }
    std::vector<png_color> palette;
    for (int k = 0; k < kind.palette_size; ++k) {
        palette.push_back(png_color{static_cast<png_byte>(k * 13), static_cast<png_byte>(k * 71),
                                    static_cast<png_byte>(255 - k)});
    }
    Bytes out;
    EXPECT_TRUE(write_png(kind, row_pointers, palette, &out)) << kind.name << " was not made";
    return out;
}

struct JpegKind {
    std::string name;
    int width;
    int height;
    J_COLOR_SPACE colour_space;
    int components;
    bool progressive = false;
};

// libjpeg's own error handling ends the process: a test picture that cannot be made is a
// fault of the test.
Bytes encode_jpeg(const JpegKind& kind)
{
    jpeg_compress_struct jpeg;
    jpeg_error_mgr errors;
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = kind.width;
    jpeg.image_height = kind.height;
    jpeg.input_components = kind.components;
    jpeg.in_color_space = kind.colour_space;
    jpeg_set_defaults(&jpeg);
    if (kind.progressive) {
        jpeg_simple_progression(&jpeg);
    }
    jpeg_start_compress(&jpeg, TRUE);
    Bytes row(kind.width * kind.components);
    while (jpeg.next_scanline < jpeg.image_height) {
        const int y = static_cast<int>(jpeg.next_scanline);
        for (std::size_t k = 0; k < row.size(); ++k) {
            row[k] = static_cast<Uint8>(k * 5 + y * 3 + (k / kind.components + y) % 7 * 30);
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
    for (std::size_t k = from; k + 1 < jpeg.size(); ++k) {
        if (jpeg[k] == 0xFF && jpeg[k + 1] == type) {
            return k;
        }
    }
    return jpeg.size();
}

Bytes first_bytes(const Bytes& bytes, std::size_t count)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(count));
}

// ---- Streams that count their closing ----------------------------------------------------

struct CountedStream {
    Bytes bytes;
    int position = 0;
    int closes = 0;
    bool seekable = true;
};

CountedStream& counted(SDL_RWops* stream)
{
    return *static_cast<CountedStream*>(stream->hidden.unknown.data1);
}

// Seeks as SDL's memory streams do, held to the bytes' bounds.
int seek_counted(SDL_RWops* stream, int offset, int whence)
{
    CountedStream& s = counted(stream);
    if (!s.seekable) {
        return -1;
    }
    const int base = whence == RW_SEEK_SET   ? 0
                     : whence == RW_SEEK_CUR ? s.position
                                             : int(s.bytes.size());
    s.position = std::max(0, std::min(base + offset, static_cast<int>(s.bytes.size())));
    return s.position;
}

int read_counted(SDL_RWops* stream, void* out, int size, int count)
{
    CountedStream& s = counted(stream);
    const int whole = std::min(count, (static_cast<int>(s.bytes.size()) - s.position) / size);
    std::memcpy(out, s.bytes.data() + s.position, static_cast<std::size_t>(whole * size));
    s.position += whole * size;
    return whole;
}

int write_nothing(SDL_RWops*, const void*, int, int)
{
    return -1;
}

int close_counted(SDL_RWops* stream)
{
    ++counted(stream).closes;
    SDL_FreeRW(stream);
    return 0;
}

SDL_RWops* open_counted(CountedStream& state)
{
    SDL_RWops* stream = SDL_AllocRW();
    stream->seek = seek_counted;
    stream->read = read_counted;
    stream->write = write_nothing;
    stream->close = close_counted;
    stream->hidden.unknown.data1 = &state;
    return stream;
}

// ---- Tests -------------------------------------------------------------------------------

TEST_F(ImageLoader, EveryCarriedPictureLoadsAsSdlImageLoadsIt)
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

TEST_F(ImageLoader, EveryKindOfPngLoadsAsSdlImageLoadsIt)
{
    static const png_color_16 kGreyKey{0, 0, 0, 0, 17};
    static const png_color_16 kSmallGreyKey{0, 0, 0, 0, 5};
    static const png_color_16 kColourKey{0, 40, 90, 200, 0};
    // Low and high bytes apart, so that which one becomes the key shows.
    static const png_color_16 kWideColourKey{0, 0x1280, 0x3440, 0x5660, 0};
    const Bytes single_transparent = {255, 255, 255, 255, 255, 0, 255};
    const std::vector<PngKind> kinds = {
        {"palette, 8 bits", 37, 23, PNG_COLOR_TYPE_PALETTE, 8, PNG_INTERLACE_NONE, 256},
        {"palette, 8 bits, one transparent index", 37, 23, PNG_COLOR_TYPE_PALETTE, 8,
         PNG_INTERLACE_NONE, 200, single_transparent},
        {"palette, 4 bits, all opaque tRNS",
         29,
         11,
         PNG_COLOR_TYPE_PALETTE,
         4,
         PNG_INTERLACE_NONE,
         16,
         {255, 255, 255}},
        {"palette, 2 bits, two transparent indices",
         13,
         9,
         PNG_COLOR_TYPE_PALETTE,
         2,
         PNG_INTERLACE_NONE,
         4,
         {0, 0}},
        {"palette, 1 bit, transparent index",
         19,
         7,
         PNG_COLOR_TYPE_PALETTE,
         1,
         PNG_INTERLACE_NONE,
         2,
         {0}},
        {"palette, 8 bits, translucent",
         31,
         17,
         PNG_COLOR_TYPE_PALETTE,
         8,
         PNG_INTERLACE_NONE,
         100,
         {0, 128, 255, 7}},
        {"palette, 4 bits, interlaced, transparent index",
         27,
         21,
         PNG_COLOR_TYPE_PALETTE,
         4,
         PNG_INTERLACE_ADAM7,
         12,
         {255, 0}},
        {"grey, 1 bit", 21, 5, PNG_COLOR_TYPE_GRAY, 1},
        {"grey, 2 bits", 21, 5, PNG_COLOR_TYPE_GRAY, 2},
        {"grey, 4 bits", 21, 5, PNG_COLOR_TYPE_GRAY, 4},
        {"grey, 8 bits", 33, 9, PNG_COLOR_TYPE_GRAY, 8},
        {"grey, 16 bits", 33, 9, PNG_COLOR_TYPE_GRAY, 16},
        {"grey, 8 bits, tRNS", 33, 9, PNG_COLOR_TYPE_GRAY, 8, PNG_INTERLACE_NONE, 0, {}, &kGreyKey},
        {"grey, 4 bits, tRNS",
         33,
         9,
         PNG_COLOR_TYPE_GRAY,
         4,
         PNG_INTERLACE_NONE,
         0,
         {},
         &kSmallGreyKey},
        {"grey and alpha, 8 bits", 15, 14, PNG_COLOR_TYPE_GRAY_ALPHA, 8},
        {"grey and alpha, 16 bits", 15, 14, PNG_COLOR_TYPE_GRAY_ALPHA, 16},
        {"RGB, 8 bits", 41, 19, PNG_COLOR_TYPE_RGB, 8},
        {"RGB, 16 bits", 41, 19, PNG_COLOR_TYPE_RGB, 16},
        {"RGB, 8 bits, tRNS",
         41,
         19,
         PNG_COLOR_TYPE_RGB,
         8,
         PNG_INTERLACE_NONE,
         0,
         {},
         &kColourKey},
        {"RGB, 16 bits, tRNS",
         41,
         19,
         PNG_COLOR_TYPE_RGB,
         16,
         PNG_INTERLACE_NONE,
         0,
         {},
         &kWideColourKey},
        {"RGB, 8 bits, interlaced", 41, 19, PNG_COLOR_TYPE_RGB, 8, PNG_INTERLACE_ADAM7},
        {"RGBA, 8 bits", 23, 31, PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"RGBA, 16 bits", 23, 31, PNG_COLOR_TYPE_RGB_ALPHA, 16},
        {"RGBA, 8 bits, interlaced", 23, 31, PNG_COLOR_TYPE_RGB_ALPHA, 8, PNG_INTERLACE_ADAM7},
    };
    for (const PngKind& kind : kinds) {
        expect_loaded_alike(kind.name, encode_png(kind));
    }
}

TEST_F(ImageLoader, EveryKindOfJpegLoadsAsSdlImageLoadsIt)
{
    const Bytes rgb = encode_jpeg({"RGB", 50, 30, JCS_RGB, 3});
    expect_loaded_alike("RGB", rgb);
    expect_loaded_alike("grey", encode_jpeg({"grey", 61, 47, JCS_GRAYSCALE, 1}));
    expect_loaded_alike("CMYK", encode_jpeg({"CMYK", 40, 24, JCS_CMYK, 4}));
    expect_loaded_alike("progressive RGB", encode_jpeg({"progressive", 45, 33, JCS_RGB, 3, true}));

    // Fill bytes before a marker are allowed, and SDL_image's marker walk steps over them.
    Bytes filled = rgb;
    filled.insert(filled.begin() + 2, {0xFF, 0xFF, 0xFF});
    expect_loaded_alike("fill bytes after the start of image", filled);
}

TEST_F(ImageLoader, DamagedOrOversizedDataFailsOrRecoversAsInSdlImage)
{
    const Bytes baseline = blob_bytes(photo(0));
    const Bytes progressive = blob_bytes(photo(10));
    const Bytes palette_png = blob_bytes(extra_picture(0));
    ASSERT_LT(find_marker(baseline, 0xC0), find_marker(baseline, 0xDA)) << "photo 0 is baseline";
    ASSERT_LT(find_marker(progressive, 0xC2), find_marker(progressive, 0xDA))
        << "photo 10 is progressive";

    // A JPEG cut short in its scan still shows, the rest filled in by libjpeg.
    expect_loaded_alike("baseline JPEG cut in its scan", first_bytes(baseline, 20000));
    expect_loaded_alike("progressive JPEG cut in its scan", first_bytes(progressive, 20000));
    // Cut before its scan, it is no JPEG at all.
    expect_loaded_alike("JPEG cut in its header", first_bytes(baseline, 300));
    // A frame type libjpeg cannot decode is a JPEG error.
    Bytes lossless = baseline;
    lossless[find_marker(lossless, 0xC0) + 1] = 0xC3;
    expect_loaded_alike("lossless JPEG frame", lossless);
    // A later scan of a progressive JPEG fails only once its surface exists.
    Bytes bad_scan = progressive;
    const std::size_t second_scan =
        find_marker(progressive, 0xDA, find_marker(progressive, 0xDA) + 2);
    ASSERT_LT(second_scan, progressive.size());
    const std::size_t components = bad_scan[second_scan + 4];
    bad_scan[second_scan + 5 + 2 * components + 1] = 80;  // the last coefficient, past 63
    expect_loaded_alike("progressive JPEG with a damaged later scan", bad_scan);
    // Damaged entropy-coded data decodes into whatever libjpeg makes of it.
    Bytes scrambled = baseline;
    for (std::size_t k = find_marker(baseline, 0xDA) + 200; k < scrambled.size(); k += 997) {
        scrambled[k] ^= 0x55;
    }
    expect_loaded_alike("JPEG with damaged scan data", scrambled);

    expect_loaded_alike("PNG cut in its pixel data", first_bytes(palette_png, 3000));
    expect_loaded_alike("PNG signature alone", first_bytes(palette_png, 8));
    Bytes bad_header = palette_png;
    bad_header[20] ^= 0x55;  // inside IHDR: its checksum no longer holds
    expect_loaded_alike("PNG with a damaged header", bad_header);
    // Nothing after the pixels is read: a PNG without its end chunk loads.
    const std::size_t kEndChunkSize = 12;
    expect_loaded_alike("PNG without its end chunk",
                        first_bytes(palette_png, palette_png.size() - kEndChunkSize));

    // Wider than SDL makes a surface: no surface, for want of memory as SDL_image puts it.
    const int kTooWide = 16384;
    expect_loaded_alike("PNG too wide for a surface",
                        encode_png({"too wide", kTooWide, 2, PNG_COLOR_TYPE_GRAY, 1}));
    expect_loaded_alike("JPEG too wide for a surface",
                        encode_jpeg({"too wide", kTooWide, 2, JCS_GRAYSCALE, 1}));

    expect_loaded_alike("no bytes", Bytes{});
    const std::string text = "not a picture at all";
    expect_loaded_alike("text", Bytes(text.begin(), text.end()));
}

TEST_F(ImageLoader, ClosesTheStreamExactlyWhenAskedOnEveryPath)
{
    const Bytes png = blob_bytes(extra_picture(0));
    const Bytes jpeg = blob_bytes(photo(0));
    const std::string text = "not a picture at all";
    struct Case {
        std::string name;
        Bytes bytes;
        bool seekable;
        bool loads;
    };
    const std::vector<Case> cases = {
        {"PNG", png, true, true},
        {"JPEG", jpeg, true, true},
        {"damaged PNG", first_bytes(png, 3000), true, false},
        {"damaged JPEG",
         [&] {
             Bytes lossless = jpeg;
             lossless[find_marker(lossless, 0xC0) + 1] = 0xC3;
             return lossless;
         }(),
         true, false},
        {"unknown format", Bytes(text.begin(), text.end()), true, false},
        {"stream that cannot seek", png, false, false},
    };
    for (const Loader* loader : {&real_sdl_image(), &kOurs}) {
        const char* who = loader == &kOurs ? "the loader" : "SDL_image";
        for (const Case& c : cases) {
            for (int freesrc = 0; freesrc <= 1; ++freesrc) {
                SCOPED_TRACE(std::string(who) + ", " + c.name + ", freesrc " +
                             std::to_string(freesrc));
                CountedStream state{c.bytes, 0, 0, c.seekable};
                SDL_RWops* stream = open_counted(state);
                SurfacePtr surface(loader->load(stream, freesrc));
                EXPECT_EQ(surface != nullptr, c.loads) << SDL_GetError();
                EXPECT_EQ(state.closes, freesrc);
                if (state.closes == 0) {
                    SDL_RWclose(stream);
                }
            }
        }
    }

    // Streams refused before any reading, for the same reason.
    const auto refusal = [](const Loader& loader, CountedStream* state) {
        SDL_RWops* stream = state == nullptr ? nullptr : open_counted(*state);
        SDL_ClearError();
        const SurfacePtr surface(loader.load(stream, 0));
        const std::string reason = surface ? "a surface" : SDL_GetError();
        if (state != nullptr && state->closes == 0) {
            SDL_RWclose(stream);
        }
        return reason;
    };
    EXPECT_EQ(refusal(real_sdl_image(), nullptr), refusal(kOurs, nullptr));
    CountedStream real_unseekable{png, 0, 0, false};
    CountedStream our_unseekable{png, 0, 0, false};
    EXPECT_EQ(refusal(real_sdl_image(), &real_unseekable), refusal(kOurs, &our_unseekable));
}

TEST_F(ImageLoader, ReportsReadyFormatsAsSdlImageDoes)
{
    const auto sequence = [](const Loader& loader) {
        std::vector<int> reported;
        loader.quit();
        reported.push_back(loader.init(0));
        const SurfacePtr png(loader.load(
            SDL_RWFromConstMem(extra_set_addresses[0], extra_set_lengths[0]), 1));  // marks PNG
        reported.push_back(loader.init(0));
        reported.push_back(loader.init(IMG_INIT_JPG));
        reported.push_back(loader.init(IMG_INIT_PNG | IMG_INIT_JPG));
        loader.quit();
        reported.push_back(loader.init(0));
        reported.push_back(loader.init(IMG_INIT_JPG));
        return reported;
    };
    EXPECT_EQ(sequence(real_sdl_image()), sequence(kOurs));
}

}  // namespace
