#include "assets/texture_bank.h"

TextureBank texture_bank;
TextureRecord extra_records[kRecordTableSize];
TextureRecord photo_records[kRecordTableSize];
TextureRecord spinning_logo_record;
TextureRecord pulsing_logo_record;

// Not yet: the pictures are still to come.
void load_textures() {}

TextureRecord upload_texture(SDL_Surface* source, TextureBank& /*bank*/)
{
    SDL_FreeSurface(source);
    return TextureRecord{};
}

GLuint bank_texture(std::int32_t index)
{
    return texture_bank.names[static_cast<std::size_t>(index)];
}
