#include "scene_probe.h"

#include "assets/texture_bank.h"
#include "gl_window.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>

namespace {
constexpr int kPictures = 42;
constexpr int kPhotoSide = 64;
constexpr int kExtraSide = 8;
constexpr int kSpinningSide = 256;
constexpr int kPulsingSide = 512;
constexpr int kBandFraction = 16;  // the logos' border band is 1/16 of their side

// Marker colours: red names the picture, green the quadrant, blue is fixed so that greys
// (the flash) never read as a marker.
constexpr int kRedBase = 12;
constexpr int kRedStep = 5;
constexpr int kGreenBase = 30;
constexpr int kGreenStep = 70;
constexpr int kMarkerBlue = 160;
constexpr int kTolerance = 2;

constexpr double kWindowWidth = 1024.0;
constexpr double kWindowHeight = 768.0;
constexpr double kFieldOfViewDegrees = 45.0;
constexpr double kPi = 3.14159265358979323846;

Uint32 marker_pixel(int picture, Quadrant q)
{
    const Uint32 r = kRedBase + kRedStep * picture;
    const Uint32 g = kGreenBase + kGreenStep * q;
    const Uint32 a = 255;
    return r | g << 8 | Uint32{kMarkerBlue} << 16 | a << 24;
}

Quadrant quadrant_of(int x, int y, int side)
{
    const bool right = x >= side / 2;
    const bool bottom = y >= side / 2;
    return static_cast<Quadrant>((bottom ? 2 : 0) + (right ? 1 : 0));
}

// Which quadrant colour the band carries at (x, y), or no_quadrant inside the band.
Quadrant band_quadrant(int x, int y, int side)
{
    const int band = side / kBandFraction;
    const bool in_band = x < band || y < band || x >= side - band || y >= side - band;
    return in_band ? quadrant_of(x, y, side) : no_quadrant;
}

SDL_Surface* marker_picture(int picture, int side, bool band_only)
{
    SDL_Surface* surface =
        SDL_CreateRGBSurface(0, side, side, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    if (surface == nullptr) {
        std::abort();
    }
    auto* pixels = static_cast<Uint32*>(surface->pixels);
    const int row_length = surface->pitch / 4;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const Quadrant q = band_only ? band_quadrant(x, y, side) : quadrant_of(x, y, side);
            pixels[y * row_length + x] = q == no_quadrant ? 0 : marker_pixel(picture, q);
        }
    }
    // Per-surface alpha on, as a decoded picture with an alpha channel has it.
    SDL_SetAlpha(surface, SDL_SRCALPHA, 255);
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
    static const char* const kQuadrantNames[] = {"top left", "top right", "bottom left",
                                                 "bottom right", "-"};
    if (seen.picture == kNoPicture) {
        return out << "no marker";
    }
    if (seen.picture == kSpinningLogoPicture) {
        out << "turning logo";
    } else if (seen.picture == kPulsingLogoPicture) {
        out << "pulsing logo";
    } else if (seen.picture >= kFirstPhotoPicture) {
        out << "photo " << seen.picture - kFirstPhotoPicture;
    } else {
        out << "extra " << seen.picture;
    }
    return out << ", " << kQuadrantNames[seen.quadrant];
}

Seen photo(int p, Quadrant q)
{
    return Seen{kFirstPhotoPicture + p, q};
}
Seen spinning_logo(Quadrant q)
{
    return Seen{kSpinningLogoPicture, q};
}
Seen pulsing_logo(Quadrant q)
{
    return Seen{kPulsingLogoPicture, q};
}
Seen nothing_marked()
{
    return Seen{kNoPicture, no_quadrant};
}

void load_marker_pictures()
{
    for (int k = 0; k < kPictures; ++k) {
        SDL_Surface* surface = nullptr;
        if (k < kFirstPhotoPicture) {
            surface = marker_picture(k, kExtraSide, false);
        } else if (k < kSpinningLogoPicture) {
            surface = marker_picture(k, kPhotoSide, false);
        } else {
            surface =
                marker_picture(k, k == kSpinningLogoPicture ? kSpinningSide : kPulsingSide, true);
        }
        const TextureRecord record = upload_texture(surface, texture_bank);
        if (k < kFirstPhotoPicture) {
            extra_records[k] = record;
        } else if (k < kSpinningLogoPicture) {
            photo_records[k - kFirstPhotoPicture] = record;
        } else if (k == kSpinningLogoPicture) {
            spinning_logo_record = record;
        } else {
            pulsing_logo_record = record;
        }
    }
}

Seen seen_at(int x, int y)
{
    const Rgb rgb = pixel_at(x, y);
    if (!near(rgb.b, kMarkerBlue)) {
        return nothing_marked();
    }
    const int picture = (rgb.r - kRedBase + kRedStep / 2) / kRedStep;
    const int quadrant = (rgb.g - kGreenBase + kGreenStep / 2) / kGreenStep;
    if (picture < 0 || picture >= kPictures || quadrant < 0 || quadrant > 3 ||
        !near(rgb.r, kRedBase + kRedStep * picture) ||
        !near(rgb.g, kGreenBase + kGreenStep * quadrant)) {
        return nothing_marked();
    }
    return Seen{picture, static_cast<Quadrant>(quadrant)};
}

Seen seen_at(double x, double y)
{
    return seen_at(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

ScreenPoint project(double x, double y, double z)
{
    const double focal = 1.0 / std::tan(kFieldOfViewDegrees / 2 * kPi / 180);
    const double aspect = kWindowWidth / kWindowHeight;
    const double ndc_x = focal / aspect * x / -z;
    const double ndc_y = focal * y / -z;
    return ScreenPoint{(ndc_x + 1) * kWindowWidth / 2, (1 - ndc_y) * kWindowHeight / 2};
}

int ms_at_beat(double beat)
{
    return static_cast<int>(std::ceil(beat * 1000.0 / 3.0));
}
