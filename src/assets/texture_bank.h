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

void load_textures();
TextureRecord upload_texture(SDL_Surface* source, TextureBank& bank);
GLuint bank_texture(std::int32_t index);
