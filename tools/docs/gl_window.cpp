#include "gl_window.h"

#include <algorithm>  // std::copy_n

#include "core/beat_clock.h"
#include "core/screen.h"
#include "scene/frame.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <cstdlib>

void open_gl_window(int width, int height)
{
    screen_resize(width, height);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        std::exit(2);
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    if (SDL_SetVideoMode(width, height, 32, SDL_OPENGL) == nullptr) {
        std::fprintf(stderr, "SDL_SetVideoMode: %s\n", SDL_GetError());
        std::exit(2);
    }
    set_fixed_gl_state();
    setup_canvas();
}

void render_at_ms(std::int32_t ms)
{
    timing_set_ms(ms);
    render_frame();
}

// The frame just presented is read from the back buffer: Mesa's software rasteriser presents
// by copying it to the window, so it still holds the frame after the swap, whereas reading the
// front buffer would read the X window itself.
std::vector<unsigned char> read_frame()
{
    std::vector<unsigned char> bottom_up(static_cast<std::size_t>(W) * H * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    std::vector<unsigned char> top_down(bottom_up.size());
    const std::size_t row = static_cast<std::size_t>(W) * 3;
    for (int y = 0; y < H; ++y) {
        std::copy_n(&bottom_up[(H - 1 - y) * row], row, &top_down[y * row]);
    }
    return top_down;
}

Rgb pixel_at(int x, int y)
{
    unsigned char rgb[3] = {};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, H - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return Rgb{rgb[0], rgb[1], rgb[2]};
}
