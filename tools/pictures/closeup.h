// Close-up photographs: macro surfaces (stone, pebbles, bark, ice, lava, lichen, dried mud,
// marble, rippled sand, wood, rust, frost) lit by a low sun, and fractal close-ups coloured
// and relief-shaded as if printed on glossy paper.
#pragma once

#include "field.h"

enum class Surface {
    kGranite,
    kPebbles,
    kBark,
    kIce,
    kLava,
    kLichen,
    kMud,
    kMarble,
    kSand,
    kWood,
    kRust,
    kFrost
};

struct Closeup {
    Surface surface = Surface::kGranite;
    std::uint32_t seed = 1;
    float zoom = 1.0f;             // feature size; larger shows more of the surface
    float light_azimuth = 135.0f;  // degrees, direction the light comes from in the picture
    float light_elevation = 35.0f;
    Vec3 light = rgb(255, 240, 220);
    Vec3 ambient = rgb(90, 100, 120);
};

// x, y in pixels of a width × height picture.
Vec3 shade_closeup(const Closeup& c, float x, float y, int width, int height);

enum class FractalKind { kMandelbrot, kJulia, kBurningShip };

struct Fractal {
    FractalKind kind = FractalKind::kMandelbrot;
    double centre_x = -0.75, centre_y = 0.0;
    double span = 3.0;  // width of the view in the complex plane
    double julia_x = 0.0, julia_y = 0.0;
    int max_iterations = 500;
    // Colour ramp a + b cos(2π(c t + d)), per channel.
    Vec3 a{0.5f, 0.5f, 0.5f}, b{0.5f, 0.5f, 0.5f}, c{1, 1, 1}, d{0.0f, 0.1f, 0.2f};
    float ramp_density = 0.05f;
    float light_angle = 45.0f;
    Vec3 inside{0.01f, 0.01f, 0.015f};
};

Vec3 shade_fractal(const Fractal& f, float x, float y, int width, int height);
