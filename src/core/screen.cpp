#include "core/screen.h"

std::int32_t W = kDefaultWidth;
std::int32_t H = kDefaultHeight;
bool fullscreen = kDefaultFullscreen;

namespace {
std::int32_t panel_w = 0;  // 0: not stretched
std::int32_t panel_h = 0;
}  // namespace

void screen_resize(std::int32_t width, std::int32_t height)
{
    W = width;
    H = height;
    panel_w = 0;
    panel_h = 0;
}

void screen_stretched_over(std::int32_t panel_width, std::int32_t panel_height)
{
    panel_w = panel_width;
    panel_h = panel_height;
}

double screen_shown_aspect()
{
    if (panel_w > 0 && panel_h > 0) {
        return static_cast<double>(panel_w) / panel_h;
    }
    return H > 0 ? static_cast<double>(W) / H : 1.0;
}
