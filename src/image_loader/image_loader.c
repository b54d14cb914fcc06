/* SDL_image 1.2's picture loading for the Windows build (see SDL_image.h): PNG through libpng,
 * JPEG through libjpeg, SDL 1.2 for the surfaces, the streams and the error text. Every
 * choice of surface below is the one SDL_image 1.2.12 makes with the same libraries, down to
 * its quirks, because the texture bank converts each picture by its surface type;
 * tests/assets/image_loader_test.cpp holds it to that, picture by picture. */
#include "SDL_image.h"

#include <png.h>
#include <setjmp.h>
#include <stdio.h>   // jpeglib.h uses FILE and size_t without including their header
#include <string.h>  // memcmp

#include <jpeglib.h>

enum {
    kNoColourKey = -1,
    kJpegBufferSize = 4096,  // SDL_image's: where a stream is left after a JPEG depends on it
    kJpegStartOfImage = 0xD8,
    kJpegEndOfImage = 0xD9,
    kJpegStartOfScan = 0xDA,
    kJpegFirstRestart = 0xD0,
    kJpegMarkerPrefix = 0xFF,
    kCmykComponents = 4,
};

static const char kPngFailure[] = "Error reading the PNG file.";
static const char kJpegFailure[] = "JPEG loading error";
static const char kNoSurface[] = "Out of memory";

static int ready_formats;

int IMG_Init(int flags)
{
    ready_formats |= flags & (IMG_INIT_JPG | IMG_INIT_PNG);
    return ready_formats;
}

void IMG_Quit(void)
{
    ready_formats = 0;
}

/* Loading a format marks it, as SDL_image's lazy set-up does. Written only when it changes:
 * once IMG_Init() has marked a format, threads loading it at once only read the mark. */
static void mark_ready(int format)
{
    if ((ready_formats & format) == 0) {
        ready_formats |= format;
    }
}

/* Every surface comes from here, so that a failed allocation reads as SDL_image's does. */
static SDL_Surface* create_surface(int width, int height, int depth, Uint32 red, Uint32 green,
                                   Uint32 blue, Uint32 alpha)
{
    SDL_Surface* surface =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, depth, red, green, blue, alpha);
    if (surface == NULL) {
        SDL_SetError("%s", kNoSurface);
    }
    return surface;
}

/* ---- PNG ------------------------------------------------------------------------------- */

/* SDL_image looks no further than these four bytes before handing a stream to libpng. */
static int is_png(SDL_RWops* src)
{
    static const Uint8 kSignature[4] = {0x89, 'P', 'N', 'G'};
    const int start = SDL_RWtell(src);
    Uint8 head[sizeof kSignature];
    const int found = SDL_RWread(src, head, 1, sizeof head) == (int)sizeof head &&
                      memcmp(head, kSignature, sizeof head) == 0;
    SDL_RWseek(src, start, RW_SEEK_SET);
    return found;
}

/* A short read is an error at once: libpng would otherwise decode whatever its buffer held. */
static void read_png_bytes(png_structp png, png_bytep area, png_size_t size)
{
    SDL_RWops* src = (SDL_RWops*)png_get_io_ptr(png);
    if (SDL_RWread(src, area, 1, (int)size) != (int)size) {
        png_error(png, "unexpected end of data");
    }
}

/* The reason goes nowhere: the caller learns of the failure through SDL's error text alone. */
static void escape_png_error(png_structp png, png_const_charp message)
{
    (void)message;
    png_longjmp(png, 1);
}

static void ignore_png_warning(png_structp png, png_const_charp message)
{
    (void)png;
    (void)message;
}

/* The palette index SDL_image keys out of a picture whose tRNS entries are all opaque but for
 * one fully transparent index; kNoColourKey when all are opaque. Any other mix sets
 * `needs_alpha`: the picture is then widened to RGBA. */
static int single_transparent_index(png_const_bytep alphas, int count, int* needs_alpha)
{
    int transparent = kNoColourKey;
    *needs_alpha = 0;
    for (int k = 0; k < count; ++k) {
        if (alphas[k] == 0 && transparent == kNoColourKey) {
            transparent = k;
        } else if (alphas[k] != 0xFF) {
            *needs_alpha = 1;
            return kNoColourKey;
        }
    }
    return transparent;
}

/* Grey pictures keep one byte a pixel, on a grey ramp; a palette keeps its own entries (SDL
 * left the surface's 256 zeroed, and ncolors says how many the picture has). */
static void fill_png_palette(png_structp png, png_infop info, SDL_Palette* palette)
{
    enum { kGreyLevels = 256 };
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_GRAY) {
        palette->ncolors = kGreyLevels;
        for (int k = 0; k < kGreyLevels; ++k) {
            palette->colors[k].r = palette->colors[k].g = palette->colors[k].b = (Uint8)k;
        }
        return;
    }
    png_colorp entries = NULL;
    int count = 0;
    png_get_PLTE(png, info, &entries, &count);
    if (count > 0) {
        palette->ncolors = count;
        for (int k = 0; k < count; ++k) {
            palette->colors[k].r = entries[k].red;
            palette->colors[k].g = entries[k].green;
            palette->colors[k].b = entries[k].blue;
        }
    }
}

/* Sets libpng's transformations as SDL_image does and makes the surface they call for; the
 * caller reads the rows into it, in `passes` passes. Any libpng error leaves through `png`'s
 * jump buffer. */
static SDL_Surface* prepare_png_surface(png_structp png, png_infop info, int* passes)
{
    png_read_info(png, info);
    const int stored_type = png_get_color_type(png, info);
    png_set_strip_16(png);
    png_set_packing(png);
    // Low-depth grey widened to bytes, and a grey picture's tRNS turned into an alpha channel.
    if (stored_type == PNG_COLOR_TYPE_GRAY) {
        png_set_expand(png);
    }

    // A colour picture's tRNS colour becomes the key; read only once the surface exists, as
    // SDL_image reads it, after libpng has settled its transformations.
    png_color_16p key_colour = NULL;
    int key = kNoColourKey;
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_bytep alphas = NULL;
        int alpha_count = 0;
        png_get_tRNS(png, info, &alphas, &alpha_count, &key_colour);
        if (stored_type == PNG_COLOR_TYPE_PALETTE) {
            int needs_alpha = 0;
            key = single_transparent_index(alphas, alpha_count, &needs_alpha);
            if (needs_alpha) {
                png_set_expand(png);
            }
        } else {
            key = 0;
        }
    }
    if (stored_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    *passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const int colour_type = png_get_color_type(png, info);
    const int channels = png_get_channels(png, info);
    const int depth = png_get_bit_depth(png, info) * channels;
    Uint32 red = 0, green = 0, blue = 0, alpha = 0;
    // Channels lie in the file's order, R first in memory; whatever has no palette says so.
    if (colour_type != PNG_COLOR_TYPE_PALETTE) {
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
        red = 0x000000FF;
        green = 0x0000FF00;
        blue = 0x00FF0000;
        alpha = channels == 4 ? 0xFF000000 : 0;
#else
        const int shift = channels == 4 ? 0 : 8;
        red = 0xFF000000 >> shift;
        green = 0x00FF0000 >> shift;
        blue = 0x0000FF00 >> shift;
        alpha = channels == 4 ? 0x000000FF : 0;
#endif
    }
    SDL_Surface* surface =
        create_surface((int)png_get_image_width(png, info), (int)png_get_image_height(png, info),
                       depth, red, green, blue, alpha);
    if (surface == NULL) {
        return NULL;
    }
    if (key != kNoColourKey) {
        // A 16-bit key colour keeps its low byte: SDL_image truncates rather than scales.
        if (colour_type != PNG_COLOR_TYPE_PALETTE) {
            key = (int)SDL_MapRGB(surface->format, (Uint8)key_colour->red, (Uint8)key_colour->green,
                                  (Uint8)key_colour->blue);
        }
        SDL_SetColorKey(surface, SDL_SRCCOLORKEY, (Uint32)key);
    }
    if (surface->format->palette != NULL) {
        fill_png_palette(png, info, surface->format->palette);
    }
    return surface;
}

static void read_png_rows(png_structp png, SDL_Surface* surface, int passes)
{
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < surface->h; ++y) {
            png_read_row(png, (png_bytep)surface->pixels + y * surface->pitch, NULL);
        }
    }
    // Nothing after the pixels is read, as in SDL_image: a file that ends there still loads.
}

static SDL_Surface* load_png(SDL_RWops* src)
{
    const int start = SDL_RWtell(src);
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, escape_png_error, ignore_png_warning);
    png_infop info = png == NULL ? NULL : png_create_info_struct(png);
    if (info == NULL) {
        png_destroy_read_struct(&png, NULL, NULL);
        SDL_SetError("%s", kNoSurface);
        return NULL;
    }
    SDL_Surface* volatile surface = NULL;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, NULL);
        SDL_FreeSurface(surface);
        SDL_RWseek(src, start, RW_SEEK_SET);
        SDL_SetError("%s", kPngFailure);
        return NULL;
    }
    png_set_read_fn(png, src, read_png_bytes);
    int passes = 1;
    surface = prepare_png_surface(png, info, &passes);
    if (surface != NULL) {
        read_png_rows(png, surface, passes);
    } else {
        SDL_RWseek(src, start, RW_SEEK_SET);
    }
    png_destroy_read_struct(&png, &info, NULL);
    return surface;
}

/* ---- JPEG ------------------------------------------------------------------------------ */

/* SDL_image takes a stream for JPEG when it opens with a start of image, and its marker
 * segments, each whole within the stream, lead to a start of scan or an end of image. What it
 * refuses this way is an unsupported format rather than a JPEG error, and never reaches
 * libjpeg. Every step moves forward, so the walk ends with the stream at the latest. */
static int walk_jpeg_markers(SDL_RWops* src)
{
    Uint8 marker[2];
    if (SDL_RWread(src, marker, 1, 2) != 2 || marker[0] != kJpegMarkerPrefix ||
        marker[1] != kJpegStartOfImage) {
        return 0;
    }
    for (;;) {
        Uint8 length[2];
        if (SDL_RWread(src, marker, 1, 2) != 2 || marker[0] != kJpegMarkerPrefix) {
            return 0;
        }
        if (marker[1] == kJpegMarkerPrefix) {
            SDL_RWseek(src, -1, RW_SEEK_CUR);  // a fill byte: the marker starts one later
            continue;
        }
        if (marker[1] == kJpegEndOfImage) {
            return 1;
        }
        if (marker[1] >= kJpegFirstRestart && marker[1] <= kJpegStartOfImage) {
            continue;  // markers without a segment
        }
        if (SDL_RWread(src, length, 1, 2) != 2) {
            return 0;
        }
        // The length counts its own two bytes. One under two steps back onto them, where no
        // marker can start.
        const int rest = ((length[0] << 8) | length[1]) - 2;
        const int segment_end = SDL_RWtell(src) + rest;
        if (SDL_RWseek(src, rest, RW_SEEK_CUR) != segment_end) {
            return 0;
        }
        if (marker[1] == kJpegStartOfScan) {
            return 1;
        }
    }
}

static int is_jpeg(SDL_RWops* src)
{
    const int start = SDL_RWtell(src);
    const int found = walk_jpeg_markers(src);
    SDL_RWseek(src, start, RW_SEEK_SET);
    return found;
}

/* libjpeg's view of the stream, read in SDL_image's buffer size. */
struct JpegSource {
    struct jpeg_source_mgr manager;  // first: libjpeg's pointer to it is a pointer to this
    SDL_RWops* src;
    JOCTET* buffer;
};

static void start_jpeg_source(j_decompress_ptr jpeg)
{
    (void)jpeg;
}

/* At the end of the data libjpeg is handed an end-of-image marker, so that a truncated
 * picture still decodes, its missing part filled as libjpeg fills it: SDL_image shows such
 * pictures rather than refusing them. */
static boolean fill_jpeg_buffer(j_decompress_ptr jpeg)
{
    struct JpegSource* source = (struct JpegSource*)jpeg->src;
    int count = SDL_RWread(source->src, source->buffer, 1, kJpegBufferSize);
    if (count <= 0) {
        source->buffer[0] = kJpegMarkerPrefix;
        source->buffer[1] = kJpegEndOfImage;
        count = 2;
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = (size_t)count;
    return TRUE;
}

static void skip_jpeg_bytes(j_decompress_ptr jpeg, long count)
{
    struct jpeg_source_mgr* manager = jpeg->src;
    if (count <= 0) {
        return;
    }
    while (count > (long)manager->bytes_in_buffer) {
        count -= (long)manager->bytes_in_buffer;
        fill_jpeg_buffer(jpeg);
    }
    manager->next_input_byte += count;
    manager->bytes_in_buffer -= (size_t)count;
}

static void end_jpeg_source(j_decompress_ptr jpeg)
{
    (void)jpeg;
}

/* Allocated from libjpeg's own pool, so that destroying the decompressor frees it on every
 * path. */
static void attach_jpeg_source(j_decompress_ptr jpeg, SDL_RWops* src)
{
    struct JpegSource* source = (struct JpegSource*)(*jpeg->mem->alloc_small)(
        (j_common_ptr)jpeg, JPOOL_PERMANENT, sizeof(struct JpegSource));
    source->buffer =
        (JOCTET*)(*jpeg->mem->alloc_small)((j_common_ptr)jpeg, JPOOL_PERMANENT, kJpegBufferSize);
    source->src = src;
    source->manager.init_source = start_jpeg_source;
    source->manager.fill_input_buffer = fill_jpeg_buffer;
    source->manager.skip_input_data = skip_jpeg_bytes;
    source->manager.resync_to_restart = jpeg_resync_to_restart;
    source->manager.term_source = end_jpeg_source;
    source->manager.bytes_in_buffer = 0;
    source->manager.next_input_byte = NULL;
    jpeg->src = &source->manager;
}

struct JpegFailure {
    struct jpeg_error_mgr manager;  // first, for the same reason as JpegSource's
    jmp_buf escape;
};

static void escape_jpeg_error(j_common_ptr jpeg)
{
    longjmp(((struct JpegFailure*)jpeg->err)->escape, 1);
}

/* Warnings about damaged data too: SDL_image shows what libjpeg recovers, quietly. */
static void drop_jpeg_message(j_common_ptr jpeg)
{
    (void)jpeg;
}

/* Four components (CMYK, or YCCK made CMYK) fill all four bytes of a pixel with alpha where K
 * lands, and everything else is made RGB: SDL_image's choice, colours and all. */
static SDL_Surface* prepare_jpeg_surface(j_decompress_ptr jpeg)
{
    jpeg_read_header(jpeg, TRUE);
    jpeg->quantize_colors = FALSE;
    if (jpeg->num_components == kCmykComponents) {
        jpeg->out_color_space = JCS_CMYK;
        jpeg_calc_output_dimensions(jpeg);
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
        return create_surface((int)jpeg->output_width, (int)jpeg->output_height, 32, 0x00FF0000,
                              0x0000FF00, 0x000000FF, 0xFF000000);
#else
        return create_surface((int)jpeg->output_width, (int)jpeg->output_height, 32, 0x0000FF00,
                              0x00FF0000, 0xFF000000, 0x000000FF);
#endif
    }
    jpeg->out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(jpeg);
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
    return create_surface((int)jpeg->output_width, (int)jpeg->output_height, 24, 0x0000FF, 0x00FF00,
                          0xFF0000, 0);
#else
    return create_surface((int)jpeg->output_width, (int)jpeg->output_height, 24, 0xFF0000, 0x00FF00,
                          0x0000FF, 0);
#endif
}

static void read_jpeg_rows(j_decompress_ptr jpeg, SDL_Surface* surface)
{
    jpeg_start_decompress(jpeg);
    while (jpeg->output_scanline < jpeg->output_height) {
        JSAMPROW row = (JSAMPROW)surface->pixels + jpeg->output_scanline * surface->pitch;
        jpeg_read_scanlines(jpeg, &row, 1);
    }
    jpeg_finish_decompress(jpeg);
}

static SDL_Surface* load_jpeg(SDL_RWops* src)
{
    const int start = SDL_RWtell(src);
    struct jpeg_decompress_struct jpeg;
    struct JpegFailure failure;
    SDL_Surface* volatile surface = NULL;
    jpeg.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = escape_jpeg_error;
    failure.manager.output_message = drop_jpeg_message;
    if (setjmp(failure.escape)) {
        jpeg_destroy_decompress(&jpeg);
        SDL_FreeSurface(surface);
        SDL_RWseek(src, start, RW_SEEK_SET);
        SDL_SetError("%s", kJpegFailure);
        return NULL;
    }
    jpeg_create_decompress(&jpeg);
    attach_jpeg_source(&jpeg, src);
    surface = prepare_jpeg_surface(&jpeg);
    if (surface != NULL) {
        read_jpeg_rows(&jpeg, surface);
    } else {
        SDL_RWseek(src, start, RW_SEEK_SET);
    }
    jpeg_destroy_decompress(&jpeg);
    return surface;
}

/* ---- Loading --------------------------------------------------------------------------- */

SDL_Surface* IMG_Load_RW(SDL_RWops* src, int freesrc)
{
    if (src == NULL) {
        SDL_SetError("Passed a NULL data source");
        return NULL;
    }
    SDL_Surface* picture = NULL;
    // Each check reads ahead and returns to where it started.
    if (SDL_RWseek(src, 0, RW_SEEK_CUR) < 0) {
        SDL_SetError("Can't seek in this data source");
    } else if (is_jpeg(src)) {
        mark_ready(IMG_INIT_JPG);
        picture = load_jpeg(src);
    } else if (is_png(src)) {
        mark_ready(IMG_INIT_PNG);
        picture = load_png(src);
    } else {
        SDL_SetError("Unsupported image format");
    }
    if (freesrc) {
        SDL_RWclose(src);
    }
    return picture;
}
