// corvanel_pictures: writes every picture the show carries into a media directory.
//
//   corvanel_pictures <media dir> [threads [photo index...]]
//
// Writes photos/00.jpg .. 35.jpg, extra/0.png .. 3.png, logos/spinning.png and
// logos/pulsing.png, and lists each file with its size and what it shows. Given photo
// indexes, it writes only those photos (quick turns while working on a scene).
#include "emblems.h"
#include "photos.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <media dir> [threads [photo index...]]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path media = argv[1];
    // Two workers by default: the build machines are small and shared.
    const int threads = argc >= 3 ? std::atoi(argv[2]) : 2;
    std::vector<int> only;
    for (int i = 3; i < argc; ++i) {
        only.push_back(std::atoi(argv[i]));
    }
    const std::string fonts = default_font_dir();
    try {
        for (const char* dir : {"photos", "extra", "logos"}) {
            std::filesystem::create_directories(media / dir);
        }
        auto start = std::chrono::steady_clock::now();
        long photo_bytes = 0;
        double photo_pixels = 0;
        for (int k = 0; k < kPhotoCount; ++k) {
            if (!only.empty() && std::find(only.begin(), only.end(), k) == only.end()) {
                continue;
            }
            auto t0 = std::chrono::steady_clock::now();
            PhotoFormat format = photo_format(k);
            Bytes bytes = photo_file(k, threads);
            char name[16];
            std::snprintf(name, sizeof name, "%02d.jpg", k);
            write_file((media / "photos" / name).string(), bytes);
            photo_bytes += static_cast<long>(bytes.size());
            photo_pixels += static_cast<double>(format.width) * format.height;
            std::printf("photos/%s %4dx%-4d %-11s %7zu bytes %5.2f bpp %5.1fs  %s\n", name,
                        format.width, format.height,
                        format.progressive ? "progressive" : "baseline", bytes.size(),
                        bytes.size() * 8.0 / (static_cast<double>(format.width) * format.height),
                        seconds_since(t0), photo_title(k).c_str());
            std::fflush(stdout);
        }
        if (!only.empty()) {
            return 0;
        }
        for (int k = 0; k < kExtraPictureCount; ++k) {
            Bytes bytes = extra_file(k, fonts);
            std::string name = "extra/" + std::to_string(k) + ".png";
            write_file((media / name).string(), bytes);
            std::printf("%s %zu bytes\n", name.c_str(), bytes.size());
        }
        Bytes spinning = spinning_logo_file(fonts);
        write_file((media / "logos/spinning.png").string(), spinning);
        Bytes pulsing = pulsing_logo_file(fonts);
        write_file((media / "logos/pulsing.png").string(), pulsing);
        std::printf("logos/spinning.png %zu bytes\nlogos/pulsing.png %zu bytes\n", spinning.size(),
                    pulsing.size());
        std::printf("photos: %ld bytes, %.2f bits per pixel on average; all pictures in %.1fs\n",
                    photo_bytes, photo_bytes * 8.0 / photo_pixels, seconds_since(start));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvanel_pictures: %s\n", e.what());
        return 1;
    }
    return 0;
}
