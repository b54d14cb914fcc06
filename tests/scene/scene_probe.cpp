#include "scene_probe.h"

#include "assets/texture_bank.h"
#include "gl_window.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>

namespace {
constexpr int kPictures = 42;
// Blue is fixed so that greys (the flash) never read as a marker.
constexpr int kRedBase = 12;
constexpr int kRedStep = 5;
constexpr int kGreenBase = 30;
constexpr int kGreenStep = 70;
constexpr int kMarkerBlue = 160;
constexpr int kTolerance = 2;

SDL_Surface* marker_picture(int picture, int side, bool band_only)
{
    SDL_Surface* surface =
        SDL_CreateRGBSurface(0, side, side, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    if (surface == nullptr) {
        std::abort();
    }
    const int band = side / 16;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool in_band = x < band || y < band || x >= side - band || y >= side - band;
            const Uint32 q = (y >= side / 2 ? 2 : 0) + (x >= side / 2 ? 1 : 0);
            const Uint32 marker = (kRedBase + kRedStep * picture) |
                                  (kGreenBase + kGreenStep * q) << 8 | Uint32{kMarkerBlue} << 16 |
                                  0xFF000000u;
            static_cast<Uint32*>(surface->pixels)[y * surface->pitch / 4 + x] =
                band_only && !in_band ? 0 : marker;
        }
    }
    SDL_SetAlpha(surface, SDL_SRCALPHA, 255);  // as a decoded picture with alpha has it
    return surface;
}

bool near(int value, int expected)
{
    return std::abs(value - expected) <= kTolerance;
}
}  // namespace

bool operator==(const Seen& a, const Seen& b)
{
    return a.picture == b.picture && (a.picture == kNoPicture || a.quadrant == b.quadrant);
}

std::ostream& operator<<(std::ostream& out, const Seen& seen)
{
    static const char* const kQuadrants[] = {"top left", "top right", "bottom left",
                                             "bottom right"};
    return seen.picture == kNoPicture
               ? out << "no marker"
               : out << "picture " << seen.picture << ", " << kQuadrants[seen.quadrant];
}

void load_marker_pictures()
{
    for (int k = 0; k < kPictures; ++k) {
        const int side = k < kFirstPhotoPicture     ? 8
                         : k < kSpinningLogoPicture ? 64
                                                    : 256 * (k - 39);
        const TextureRecord record =
            upload_texture(marker_picture(k, side, k >= kSpinningLogoPicture), texture_bank);
        if (k < kFirstPhotoPicture) {
            extra_records[k] = record;
        } else if (k < kSpinningLogoPicture) {
            photo_records[k - kFirstPhotoPicture] = record;
        } else {
            (k == kSpinningLogoPicture ? spinning_logo_record : pulsing_logo_record) = record;
        }
    }
}

Seen seen_at(double x, double y)
{
    const Rgb rgb = pixel_at(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
    const int picture = (rgb.r - kRedBase + kRedStep / 2) / kRedStep;
    const int quadrant = (rgb.g - kGreenBase + kGreenStep / 2) / kGreenStep;
    if (!near(rgb.b, kMarkerBlue) || picture < 0 || picture >= kPictures || quadrant < 0 ||
        quadrant > 3 || !near(rgb.r, kRedBase + kRedStep * picture) ||
        !near(rgb.g, kGreenBase + kGreenStep * quadrant)) {
        return Seen{kNoPicture, top_left};
    }
    return Seen{picture, static_cast<Quadrant>(quadrant)};
}

ScreenPoint project(double x, double y, double z)
{
    const double focal = 1.0 / std::tan(22.5 * 3.14159265358979323846 / 180);
    const double ndc_x = focal * 768.0 / 1024.0 * x / -z;
    const double ndc_y = focal * y / -z;
    return ScreenPoint{(ndc_x + 1) * 512, (1 - ndc_y) * 384};
}

int ms_at_beat(double beat)
{
    return static_cast<int>(std::ceil(beat * 1000.0 / 3.0));
}
