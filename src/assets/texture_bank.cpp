// Depends on SDL for the software surfaces that convert and resample each picture, SDL_image
// for decoding the carried bytes, and OpenGL for the texture objects.
#include "assets/texture_bank.h"

#include "assets/catalogue.h"
#include "assets/resample.h"

#include <SDL_image.h>

#include <cstdio>   // std::fprintf, std::snprintf
#include <cstdlib>  // std::exit

TextureBank texture_bank;
TextureRecord extra_records[kRecordTableSize];
TextureRecord photo_records[kRecordTableSize];
TextureRecord spinning_logo_record;
TextureRecord pulsing_logo_record;

namespace {
// Red in the lowest byte and alpha in the highest: in memory every pixel reads R, G, B, A,
// which is what glTexImage2D takes as GL_RGBA / GL_UNSIGNED_BYTE on a little-endian machine.
constexpr Uint32 kRedMask = 0x000000FF;
constexpr Uint32 kGreenMask = 0x0000FF00;
constexpr Uint32 kBlueMask = 0x00FF0000;
constexpr Uint32 kAlphaMask = 0xFF000000;
constexpr int kBitsPerPixel = 32;
constexpr int kBytesPerPixel = 4;
constexpr int kFatalStatus = 1;

PixelView view_of(SDL_Surface* surface)
{
    return PixelView{static_cast<std::uint32_t*>(surface->pixels), surface->w, surface->h,
                     surface->pitch / kBytesPerPixel};
}

// Which byte of a 3-byte pixel SDL reads a channel from: it assembles the pixel in the
// machine's byte order, then masks.
int channel_byte(Uint8 shift)
{
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
    return 2 - shift / 8;
#else
    return shift / 8;
#endif
}

bool is_whole_byte(Uint32 mask, Uint8 shift)
{
    return shift % 8 == 0 && mask == Uint32{0xFF} << shift;
}

// True for a picture of 3-byte pixels with a whole byte per colour channel, no alpha and no
// colour key: every JPEG picture as SDL_image decodes it. Widened by widen_rgb24(), it comes
// out as SDL's blit would make it.
bool is_plain_rgb24(const SDL_Surface* surface)
{
    const SDL_PixelFormat* f = surface->format;
    return f->BytesPerPixel == 3 && f->Amask == 0 && (surface->flags & SDL_SRCCOLORKEY) == 0 &&
           is_whole_byte(f->Rmask, f->Rshift) && is_whole_byte(f->Gmask, f->Gshift) &&
           is_whole_byte(f->Bmask, f->Bshift);
}

Rgb24View rgb24_view_of(const SDL_Surface* surface)
{
    const SDL_PixelFormat* f = surface->format;
    return Rgb24View{static_cast<const std::uint8_t*>(surface->pixels),
                     surface->w,
                     surface->h,
                     surface->pitch,
                     channel_byte(f->Rshift),
                     channel_byte(f->Gshift),
                     channel_byte(f->Bshift)};
}

// The converted picture resampled to the texture's sides; frees the conversion.
SDL_Surface* resampled(SDL_Surface* conversion, std::int32_t pot_width, std::int32_t pot_height,
                       const char* picture_name)
{
    const SDL_PixelFormat* format = conversion->format;
    SDL_Surface* pot =
        SDL_CreateRGBSurface(conversion->flags, pot_width, pot_height, format->BitsPerPixel,
                             format->Rmask, format->Gmask, format->Bmask, format->Amask);
    if (pot == nullptr) {
        std::fprintf(stderr, "CreateRGBSurface failed for %s (%d x %d): %s\n", picture_name,
                     pot_width, pot_height, SDL_GetError());
        SDL_FreeSurface(conversion);
        std::exit(kFatalStatus);
    }
    resample_nearest(view_of(conversion), view_of(pot));
    SDL_FreeSurface(conversion);
    return pot;
}
}  // namespace

TextureRecord upload_texture(SDL_Surface* source, TextureBank& bank, const char* picture_name)
{
    const std::int32_t width = source->w;
    const std::int32_t height = source->h;

    SDL_Surface* conversion = SDL_CreateRGBSurface(0, width, height, kBitsPerPixel, kRedMask,
                                                   kGreenMask, kBlueMask, kAlphaMask);
    if (conversion == nullptr) {
        std::fprintf(stderr, "CreateRGBSurface failed: %s\n", SDL_GetError());
        SDL_FreeSurface(source);
        std::exit(kFatalStatus);
    }
    // With per-surface alpha set the blit would blend the picture onto the empty (transparent)
    // conversion surface; cleared, it copies the picture's own alpha instead. Colour-keyed
    // pixels are skipped either way and stay fully transparent black.
    if ((source->flags & SDL_SRCALPHA) != 0) {
        SDL_SetAlpha(source, 0, 0);
    }
    // JPEG pictures, most of what is carried, take SDL's slowest blit: widened here instead.
    if (is_plain_rgb24(source)) {
        widen_rgb24(rgb24_view_of(source), source->format->alpha, view_of(conversion));
    } else {
        SDL_BlitSurface(source, nullptr, conversion, nullptr);
    }
    SDL_FreeSurface(source);

    const std::int32_t pot_width = power_of_two_at_least(width);
    const std::int32_t pot_height = power_of_two_at_least(height);
    SDL_Surface* pot = conversion;  // unless the sides must grow
    if (pot_width != width || pot_height != height) {
        pot = resampled(conversion, pot_width, pot_height, picture_name);
    }
    bank.surfaces.push_back(pot);

    GLuint name = 0;
    glGenTextures(1, &name);
    bank.names.push_back(name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GLint filter = smooth_when_drawn(width, height) ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Surface rows run top first, so texture coordinate t = 0 is the picture's top.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, pot_width, pot_height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pot->pixels);

    return TextureRecord{width, height, static_cast<std::int32_t>(bank.names.size()) - 1};
}

namespace {
// Decodes one carried picture; a picture that does not decode ends the process here, so that
// no record is ever missing and nothing reads through a null surface.
SDL_Surface* decode_picture(const AssetBlob& blob, const char* picture_name)
{
    SDL_RWops* stream = SDL_RWFromMem(const_cast<unsigned char*>(blob.bytes), blob.length);
    SDL_Surface* picture = IMG_Load_RW(stream, 1);  // closes the stream
    if (picture == nullptr) {
        std::fprintf(stderr, "IMG_Load_RW failed for %s: %s\n", picture_name, SDL_GetError());
        std::exit(kFatalStatus);
    }
    return picture;
}

TextureRecord load_picture(const AssetBlob& blob, const char* picture_name)
{
    return upload_texture(decode_picture(blob, picture_name), texture_bank, picture_name);
}

TextureRecord load_set_member(const char* set_name, int position, const AssetBlob& blob)
{
    char picture_name[32];
    std::snprintf(picture_name, sizeof picture_name, "%s %d", set_name, position);
    return load_picture(blob, picture_name);
}
}  // namespace

void load_textures()
{
    for (int k = 0; k < kExtraPictureCount; ++k) {
        extra_records[k] = load_set_member("extra_set", k, extra_picture(k));
    }
    for (int k = 0; k < kPhotoCount; ++k) {
        photo_records[k] = load_set_member("photo_set", k, photo(k));
    }
    spinning_logo_record = load_picture(spinning_logo, "spinning_logo");
    pulsing_logo_record = load_picture(pulsing_logo, "pulsing_logo");
}

void free_textures()
{
    if (!texture_bank.names.empty()) {
        glDeleteTextures(static_cast<GLsizei>(texture_bank.names.size()),
                         texture_bank.names.data());
    }
    for (SDL_Surface* surface : texture_bank.surfaces) {
        SDL_FreeSurface(surface);
    }
    texture_bank.names.clear();
    texture_bank.surfaces.clear();
}

GLuint bank_texture(std::int32_t index)
{
    return texture_bank.names[static_cast<std::size_t>(index)];
}
