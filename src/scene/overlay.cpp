#include "scene/overlay.h"

// Not yet: the logos come with the pictures.
void draw_logos() {}
void draw_sprite(const TextureRecord& /*record*/, float /*x*/, float /*y*/, float /*w*/,
                 float /*h*/)
{
}
