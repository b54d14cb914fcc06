#pragma once
// Every carried picture becomes an OpenGL texture with power-of-two sides before the show
// starts. The bank keeps all texture names (and the resampled pixel buffers) for the whole run;
// a TextureRecord tells the scene a picture's own size and where its texture sits in the bank.

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdint>
#include <vector>

struct TextureRecord {
    std::int32_t width;   // the picture's own width in pixels, before resampling
    std::int32_t height;  // its own height
    std::int32_t index;   // position of its texture name in the bank
};

struct TextureBank {
    std::vector<SDL_Surface*> surfaces;  // power-of-two pixel buffers, in load order
    std::vector<GLuint> names;           // texture names, in load order
};

constexpr int kRecordTableSize = 100;

extern TextureBank texture_bank;
extern TextureRecord extra_records[kRecordTableSize];
extern TextureRecord photo_records[kRecordTableSize];
extern TextureRecord spinning_logo_record;
extern TextureRecord pulsing_logo_record;

// Decodes every carried picture into the process-wide bank and fills the record tables. The
// pictures are decoded and converted on as many threads as there are cores and become
// textures on the calling thread, in catalogue order. Needs a current OpenGL context on the
// calling thread. A picture that cannot be decoded or converted ends the process, from the
// calling thread, with status 1 after one line on standard error. `progress`, where given, is
// told `done` of `total` steps (each picture prepared, then made a texture) on the thread that
// took the step: give one only where, as in a web page, one thread takes them all.
using LoadProgress = void (*)(int done, int total);
void load_textures(LoadProgress progress = nullptr);

// Converts a decoded picture into a power-of-two RGBA texture, appends it to `bank` and
// returns its record; the new texture is left bound. Takes ownership of `source` (frees it).
// `picture_name` only labels the message if the resampled buffer cannot be made.
TextureRecord upload_texture(SDL_Surface* source, TextureBank& bank,
                             const char* picture_name = "picture");

// Deletes every texture and frees every kept surface of the process-wide bank, leaving it
// empty. Needs the context the textures were made in (a no-op on an empty bank).
void free_textures();

// The texture name at a bank position that load_textures() produced.
GLuint bank_texture(std::int32_t index);
