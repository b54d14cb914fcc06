// How long load_textures() takes against decoding the same pictures alone, and how much
// memory the loaded bank holds. Runs alternate between the two so that both see the same
// machine; the figures are medians.
#include "assets/catalogue.h"
#include "assets/heap_policy.h"
#include "assets/texture_bank.h"
#include "gl_window.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_opengl.h>

#include <algorithm>  // std::sort
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {
constexpr int kRuns = 9;

double now_ms()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Resident set size in KiB, from the kernel's view of this process.
long resident_kib()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

std::vector<AssetBlob> all_pictures()
{
    std::vector<AssetBlob> pictures;
    for (int k = 0; k < kExtraPictureCount; ++k) {
        pictures.push_back(extra_picture(k));
    }
    for (int k = 0; k < kPhotoCount; ++k) {
        pictures.push_back(photo(k));
    }
    pictures.push_back(spinning_logo);
    pictures.push_back(pulsing_logo);
    return pictures;
}

double decode_all_ms(const std::vector<AssetBlob>& pictures)
{
    const double start = now_ms();
    for (const AssetBlob& blob : pictures) {
        SDL_Surface* picture =
            IMG_Load_RW(SDL_RWFromMem(const_cast<unsigned char*>(blob.bytes), blob.length), 1);
        SDL_FreeSurface(picture);
    }
    return now_ms() - start;
}

// As the show loads them, under the heap policy its entry sets around the loading.
double load_all_ms()
{
    const double start = now_ms();
    heap_policy_for_loading();
    load_textures();
    glFinish();  // the driver may copy texels lazily: count the whole upload
    heap_policy_for_drawing();
    return now_ms() - start;
}
}  // namespace

int main()
{
    open_gl_window(1024, 768);
    const std::vector<AssetBlob> pictures = all_pictures();

    const long before_kib = resident_kib();
    const double first_load_ms = load_all_ms();
    const long after_kib = resident_kib();
    std::size_t kept_bytes = 0;
    for (const SDL_Surface* surface : texture_bank.surfaces) {
        kept_bytes += static_cast<std::size_t>(surface->pitch) * surface->h;
    }
    free_textures();

    std::vector<double> decode_ms;
    std::vector<double> load_ms;
    for (int run = 0; run < kRuns; ++run) {
        decode_ms.push_back(decode_all_ms(pictures));
        load_ms.push_back(load_all_ms());
        free_textures();
    }

    const double decode = median(decode_ms);
    const double load = median(load_ms);
    std::printf("pictures: %zu, runs: %d (medians)\n", pictures.size(), kRuns);
    std::printf("decode alone:     %8.1f ms\n", decode);
    std::printf("load_textures():  %8.1f ms  (first, cold: %.1f ms)\n", load, first_load_ms);
    std::printf("load / decode:    %8.2f\n", load / decode);
    std::printf("resident memory:  %8.1f MiB before loading, %.1f MiB after (+%.1f MiB)\n",
                before_kib / 1024.0, after_kib / 1024.0, (after_kib - before_kib) / 1024.0);
    std::printf("kept surfaces:    %8.1f MiB\n", kept_bytes / (1024.0 * 1024.0));
    return 0;
}
