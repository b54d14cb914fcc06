// Renders chosen moments of the show with the real frame code and the carried pictures into
// PPM files: the README's pictures (render_frames.sh), and the frames the tests hold the
// Windows and web builds' own to.
//   scene_frames OUT_DIR MS...   writes OUT_DIR/frame_<MS>.ppm for each MS
#include "assets/texture_bank.h"
#include "gl_window.h"

#include <cstdio>
#include <cstdlib>  // std::atoi
#include <string>
#include <vector>

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;

bool write_ppm(const std::string& path, const std::vector<unsigned char>& rgb)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fprintf(file, "P6\n%d %d\n255\n", kWidth, kHeight) > 0 &&
                         std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
    return std::fclose(file) == 0 && written;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: scene_frames OUT_DIR MS...\n");
        return 2;
    }
    open_gl_window(kWidth, kHeight);
    load_textures();
    for (int arg = 2; arg < argc; ++arg) {
        const std::string path = std::string(argv[1]) + "/frame_" + argv[arg] + ".ppm";
        render_at_ms(std::atoi(argv[arg]));
        if (!write_ppm(path, read_frame())) {
            std::perror(path.c_str());
            return 1;
        }
    }
    return 0;
}
