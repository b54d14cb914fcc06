#include "core/screen.h"

std::int32_t W = kDefaultWidth;
std::int32_t H = kDefaultHeight;
bool fullscreen = kDefaultFullscreen;

void screen_resize(std::int32_t width, std::int32_t height)
{
    W = width;
    H = height;
}
