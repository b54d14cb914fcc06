// Ray-marched outdoor scenes: terrain from eroded noise, lakes and sea with reflections, a
// cloud layer, aerial haze, valley mist, and for night scenes the moon, stars, the galaxy's
// band and auroras. One record describes a photograph; `shade_landscape` gives the colour
// seen along one camera ray, in linear light.
#pragma once

#include "field.h"

enum class Terrain { kAlpine, kHills, kDunes, kMesa, kVolcano };

constexpr float kNoWater = -1e9f;

struct Landscape {
    std::uint32_t seed = 1;
    Terrain terrain = Terrain::kAlpine;
    float scale = 900.0f;      // metres per noise cell of the largest feature
    float amplitude = 500.0f;  // metres from lowest to highest features, roughly
    float base = 0.0f;         // added to every height
    float water_level = kNoWater;
    float snow_line = 1e9f;
    float tree_line = -1e9f;  // forests grow below this height
    Vec3 grass = rgb(88, 110, 50);
    Vec3 rock = rgb(120, 110, 100);
    Vec3 soil = rgb(140, 120, 90);  // beaches and bare ground
    Vec3 water = rgb(20, 45, 60);   // deep water body colour
    Vec3 shallows = rgb(40, 120, 120);
    bool autumn = false;  // forests turn red, orange and yellow

    // Camera: position over the ground, heading and tilt in degrees, vertical field of view.
    Vec2 eye = {0, 0};
    float eye_height = 30.0f;  // above the ground or the water, whichever is higher
    float yaw = 0.0f;
    float pitch = 0.0f;
    float fov = 50.0f;

    // Light: the sun (or the moon at night) as azimuth/elevation in degrees.
    float sun_azimuth = 0.0f;
    float sun_elevation = 30.0f;
    Vec3 sun = rgb(255, 245, 225);
    float sun_strength = 3.0f;
    Vec3 zenith = rgb(60, 110, 190);
    Vec3 horizon = rgb(180, 200, 220);
    float haze = 0.00012f;  // extinction per metre
    float mist_density = 0.0f;
    float mist_height = 60.0f;  // scale height of the valley mist above the base

    float cloud_cover = 0.0f;  // 0 clear .. 1 overcast
    float cloud_altitude = 1500.0f;
    float cloud_scale = 2500.0f;
    Vec3 cloud_shadow = rgb(120, 130, 150);

    bool night = false;
    float stars = 0.0f;                     // share of sky cells holding a star
    float galaxy = 0.0f;                    // brightness of the galaxy's band
    float aurora = 0.0f;                    // brightness of aurora curtains
    Vec3 galaxy_pole = {0.9f, 0.3f, 0.3f};  // the band lies across the sky square to this
};

struct LandscapeView {
    Vec3 eye;
    Vec3 forward, right, up;
    float tan_half_fov;
    float pixel_angle;  // radians covered by one pixel, for stars and detail limits
    float ceiling;      // no ground rises above this within sight: rays above it climbing stop
    float aspect;
};

// `ceiling`, when known from an earlier view at the same spot, saves sampling it again.
LandscapeView make_view(const Landscape& land, int width, int height, float ceiling = kNoWater);
float terrain_height(const Landscape& land, Vec2 p, int octaves);
// What a camera ray meets first, found cheaply (coarse terrain), for choosing viewpoints.
struct RayHit {
    enum Kind { kSky, kGround, kWater } kind;
    float distance;
};
RayHit first_hit(const Landscape& land, const LandscapeView& view, float x, float y, int width,
                 int height);

Vec3 shade_landscape(const Landscape& land, const LandscapeView& view, float x, float y, int width,
                     int height);
