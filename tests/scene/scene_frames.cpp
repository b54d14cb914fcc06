// Renders chosen moments of the show with the real frame code into PPM files, for the
// README's pictures and for looking at what a failing scene test saw.
//   scene_frames [--markers] OUT_DIR MS...   writes OUT_DIR/frame_<MS>.ppm for each MS
// With --markers the bank holds the tests' marker pictures instead of the carried ones.
#include "assets/texture_bank.h"
#include "gl_window.h"
#include "scene_probe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    const bool markers = argc > 1 && std::strcmp(argv[1], "--markers") == 0;
    int arg = markers ? 2 : 1;
    if (argc - arg < 2) {
        std::fprintf(stderr, "usage: scene_frames [--markers] OUT_DIR MS...\n");
        return 2;
    }
    const std::string out_dir = argv[arg++];
    open_gl_window(1024, 768);
    markers ? load_marker_pictures() : load_textures();
    for (; arg < argc; ++arg) {
        render_at_ms(std::atoi(argv[arg]));
        save_frame(out_dir + "/frame_" + argv[arg] + ".ppm");
    }
    return 0;
}
