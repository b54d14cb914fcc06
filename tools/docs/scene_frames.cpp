// Renders chosen moments of the show with the real frame code and the carried pictures into
// PPM files: the README's pictures (render_frames.sh), and the frames the tests hold the
// Windows and web builds' own to.
//   scene_frames OUT_DIR MS...   writes OUT_DIR/frame_<MS>.ppm for each MS
#include "assets/texture_bank.h"
#include "core/beat_clock.h"
#include "core/screen.h"
#include "scene/frame.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <cstdlib>  // std::atoi
#include <string>
#include <vector>

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// A window set up as the show sets up its own, windowed.
bool open_window()
{
    screen_resize(kWidth, kHeight);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    if (SDL_SetVideoMode(kWidth, kHeight, 32, SDL_OPENGL) == nullptr) {
        return false;
    }
    set_fixed_gl_state();
    setup_canvas();
    return true;
}

// The back buffer as a binary PPM, rows top first.
bool write_frame(const std::string& path)
{
    const std::size_t row = std::size_t{kWidth} * 3;
    std::vector<unsigned char> bottom_up(row * kHeight);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = std::fprintf(file, "P6\n%d %d\n255\n", kWidth, kHeight) > 0;
    for (int y = kHeight - 1; y >= 0 && written; --y) {
        written = std::fwrite(&bottom_up[y * row], 1, row, file) == row;
    }
    return std::fclose(file) == 0 && written;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: scene_frames OUT_DIR MS...\n");
        return 2;
    }
    if (!open_window()) {
        std::fprintf(stderr, "scene_frames: no OpenGL window: %s\n", SDL_GetError());
        return 1;
    }
    load_textures();
    for (int arg = 2; arg < argc; ++arg) {
        const std::string path = std::string(argv[1]) + "/frame_" + argv[arg] + ".ppm";
        timing_set_ms(std::atoi(argv[arg]));
        render_frame();
        if (!write_frame(path)) {
            std::perror(path.c_str());
            return 1;
        }
    }
    return 0;
}
