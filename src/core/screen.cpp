#include "core/screen.h"

std::int32_t W = kDefaultWidth;
std::int32_t H = kDefaultHeight;
bool fullscreen = kDefaultFullscreen;
