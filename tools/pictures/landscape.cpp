// Outdoor scenes by ray marching (see landscape.h).
#include "landscape.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kDegrees = kPi / 180.0f;

Vec3 sun_direction(const Landscape& land)
{
    float az = land.sun_azimuth * kDegrees, el = land.sun_elevation * kDegrees;
    return {std::sin(az) * std::cos(el), std::sin(el), -std::cos(az) * std::cos(el)};
}

// Heights in [-1, 1]-ish from noise whose finer layers fade where the coarser ones are steep,
// which leaves smooth valleys and sharp, gullied slopes, as erosion would.
float eroded(Vec2 q, int octaves, std::uint32_t seed)
{
    float a = 0.0f, b = 1.0f, dx = 0.0f, dy = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        NoiseSample n = value_noise_d(q.x, q.y, seed + i);
        dx += n.dx;
        dy += n.dy;
        a += b * n.value / (1.0f + dx * dx + dy * dy);
        b *= 0.5f;
        q = {1.6f * q.x - 1.2f * q.y, 1.2f * q.x + 1.6f * q.y};
    }
    return a;
}

}  // namespace

float terrain_height(const Landscape& land, Vec2 p, int octaves)
{
    Vec2 q = p * (1.0f / land.scale);
    float h = 0.0f;
    switch (land.terrain) {
        case Terrain::kAlpine: {
            float e = eroded(q, octaves, land.seed);
            h = e + 0.35f * e * std::fabs(e);  // steeper peaks, flatter floors
            break;
        }
        case Terrain::kHills:
            h = 0.6f * fbm(q * 0.7f, std::min(octaves, 3), land.seed) +
                0.25f * eroded(q * 2.0f, std::max(1, octaves - 2), land.seed + 40);
            break;
        case Terrain::kDunes: {
            float warp = fbm(q * 0.6f, 3, land.seed + 3);
            float d = (q.x * 0.8f + q.y * 0.6f) * 3.0f + 2.5f * warp;
            float f = d - std::floor(d);
            // Long windward slope, short steep lee face.
            float profile =
                f < 0.75f ? smoothstep(0.0f, 0.75f, f) : 1.0f - smoothstep(0.75f, 1.0f, f);
            h = 0.35f * profile *
                    (0.6f + 0.4f * value_noise(q.x * 2.0f, q.y * 2.0f, land.seed + 9)) +
                0.5f * fbm(q * 0.3f, 3, land.seed + 5);
            h = land.base + land.amplitude * h;
            if (octaves > 6) {
                // Wind ripples, a few metres apart: they only matter up close.
                h += 0.12f * std::sin((p.x * 0.6f - p.y * 0.8f) * 0.8f + 6.0f * warp);
            }
            return h;
        }
        case Terrain::kMesa: {
            float e = eroded(q, std::min(octaves, 5), land.seed) * 0.5f + 0.5f;
            float plateau = smoothstep(0.46f, 0.52f, e);
            float steps = e * 7.0f;
            float terrace =
                (std::floor(steps) + smoothstep(0.7f, 1.0f, steps - std::floor(steps))) / 7.0f;
            h = 0.3f * terrace + 0.9f * plateau;
            if (octaves > 5) {
                h += 0.03f * fbm(q * 24.0f, octaves - 5, land.seed + 20);
            }
            break;
        }
        case Terrain::kVolcano: {
            float r = length(q - Vec2{0.0f, -2.2f});
            float cone = std::exp(-r * 1.6f) * 1.6f - smoothstep(0.18f, 0.05f, r) * 0.35f;
            h = cone + 0.25f * eroded(q * 1.5f, octaves, land.seed);
            break;
        }
    }
    return land.base + land.amplitude * h;
}

LandscapeView make_view(const Landscape& land, int width, int height, float ceiling)
{
    LandscapeView v;
    float ground = terrain_height(land, land.eye, 8);
    float floor_height = std::max(ground, land.water_level);
    v.eye = {land.eye.x, floor_height + land.eye_height, land.eye.y};
    float yaw = land.yaw * kDegrees, pitch = land.pitch * kDegrees;
    v.forward = {std::sin(yaw) * std::cos(pitch), std::sin(pitch),
                 -std::cos(yaw) * std::cos(pitch)};
    v.right = normalize(cross(v.forward, Vec3{0, 1, 0}));
    v.up = cross(v.right, v.forward);
    v.tan_half_fov = std::tan(land.fov * 0.5f * kDegrees);
    v.pixel_angle = 2.0f * v.tan_half_fov / height;
    v.aspect = static_cast<float>(width) / height;
    if (ceiling > kNoWater) {
        v.ceiling = ceiling;
        return v;
    }
    // Sampled, not proven: finer layers add little height, and a margin covers them.
    float highest = -1e9f;
    for (int j = -80; j <= 80; ++j) {
        for (int i = -80; i <= 80; ++i) {
            highest = std::max(
                highest,
                terrain_height(land, {land.eye.x + i * 190.0f, land.eye.y + j * 190.0f}, 5));
        }
    }
    v.ceiling = highest + 0.15f * land.amplitude + 20.0f;
    return v;
}

namespace {

struct Scene {
    const Landscape& land;
    const LandscapeView& view;
    Vec3 sun_dir;
    // Share of the height above ground a ray may advance in one step: alpine needles are
    // steep enough to be stepped clean through at the gentler terrains' pace.
    float step_factor = land.terrain == Terrain::kAlpine ? 0.2f : 0.45f;
};

float march_terrain(const Scene& s, Vec3 ro, Vec3 rd, float tmax, int octaves, int steps)
{
    float t = 1.0f, last_t = t;
    float last_dy = 1.0f;
    for (int i = 0; i < steps && t < tmax; ++i) {
        Vec3 p = ro + rd * t;
        if (rd.y >= 0.0f && p.y > s.view.ceiling) {
            break;
        }
        float dy = p.y - terrain_height(s.land, {p.x, p.z}, octaves);
        if (dy < 0.0015f * t) {
            // Bisect between the last point above and this one for a clean silhouette.
            float lo = last_t, hi = t;
            for (int k = 0; k < 5; ++k) {
                float mid = 0.5f * (lo + hi);
                Vec3 m = ro + rd * mid;
                if (m.y - terrain_height(s.land, {m.x, m.z}, octaves) < 0.0f)
                    hi = mid;
                else
                    lo = mid;
            }
            return 0.5f * (lo + hi);
        }
        last_t = t;
        last_dy = dy;
        t += std::max(s.step_factor * dy, 0.004f * t);
    }
    // Out of steps while skimming just above a slope: that is ground, not a hole to the sky.
    if (t < tmax && last_dy < 0.02f * t) {
        return last_t;
    }
    return -1.0f;
}

float soft_shadow(const Scene& s, Vec3 p, float k)
{
    float res = 1.0f, t = 2.0f;
    for (int i = 0; i < 36 && t < 6000.0f; ++i) {
        Vec3 q = p + s.sun_dir * t;
        if (q.y > s.view.ceiling) {
            break;
        }
        float dy = q.y - terrain_height(s.land, {q.x, q.z}, 7);
        res = std::min(res, k * dy / t);
        if (res < 0.001f)
            return 0.0f;
        t += std::max(4.0f, 0.6f * dy);
    }
    return smoothstep(0.0f, 1.0f, res);
}

Vec3 stars_and_galaxy(const Scene& s, Vec3 rd)
{
    const Landscape& land = s.land;
    Vec3 c{0, 0, 0};
    if (land.stars > 0.0f) {
        // Stars live in a 3D grid of cells about three pixels wide; each lit cell holds one
        // star, seen where its direction lies within a pixel or so of the ray.
        float k = 1.0f / (s.view.pixel_angle * 3.0f);
        Vec3 g = rd * k;
        int bx = static_cast<int>(std::floor(g.x)), by = static_cast<int>(std::floor(g.y)),
            bz = static_cast<int>(std::floor(g.z));
        for (int dz = -1; dz <= 1; ++dz) {
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    int cx = bx + dx, cy = by + dy, cz = bz + dz;
                    std::uint32_t id = hash3(cx, cy ^ (cz * 73856093), land.seed + 77);
                    if ((id >> 8) * (1.0f / 16777216.0f) > land.stars)
                        continue;
                    Vec3 star{cx + hash01(cx, cz, id), cy + hash01(cy, cz, id + 1),
                              cz + hash01(cx, cy, id + 2)};
                    Vec3 dir = normalize(star);
                    Vec3 off = (rd - dir) * k;
                    float d2 = dot(off, off);
                    if (d2 > 4.0f)
                        continue;
                    float mag = std::pow(hash01(cx, cy, id + 3), 6.0f);
                    float bright = (0.01f + 1.2f * mag) * std::exp(-d2 * 10.0f);
                    float hue = hash01(cz, cx, id + 4);
                    Vec3 tint = hue < 0.3f ? Vec3{1.0f, 0.8f, 0.6f}
                                           : (hue > 0.8f ? Vec3{0.7f, 0.8f, 1.0f} : Vec3{1, 1, 1});
                    c += tint * bright;
                }
            }
        }
    }
    if (land.galaxy > 0.0f) {
        Vec3 axis = normalize(land.galaxy_pole);
        float d = dot(rd, axis);
        Vec3 side = normalize(cross(axis, Vec3{0, 1, 0}));
        float along = std::atan2(dot(rd, side), dot(rd, cross(axis, side)));
        Vec2 q{along * 3.0f, d * 9.0f};
        float body = std::exp(-d * d * 28.0f) * (0.55f + 0.45f * fbm(q * 1.5f, 6, land.seed + 90));
        float dust = smoothstep(0.3f, 0.9f, ridged(q * 2.0f + Vec2{3, 1}, 5, land.seed + 91)) *
                     std::exp(-d * d * 90.0f);
        float glow = std::max(0.0f, body - 0.7f * dust);
        // Fine unresolved stars give the band its grain.
        float grain = value_noise(along * 300.0f, d * 300.0f, land.seed + 92);
        glow *= 0.8f + 0.35f * grain;
        c += mix(Vec3{0.85f, 0.75f, 0.6f}, Vec3{0.6f, 0.7f, 0.95f}, clamp01(d * 4.0f + 0.5f)) *
             (glow * land.galaxy);
    }
    if (land.aurora > 0.0f && rd.y > 0.0f) {
        Vec3 acc{0, 0, 0};
        // Curtains: a few layers of heights above the ground, each a wavy band.
        for (int layer = 0; layer < 24; ++layer) {
            float alt = 1.0f + layer * 0.06f;
            float t = alt / (rd.y + 0.04f);
            Vec2 p{rd.x * t, rd.z * t};
            float wave = p.x * 0.35f + 0.9f * fbm(Vec2{p.x * 0.2f, p.y * 0.2f}, 3, land.seed + 95);
            float band = std::exp(-std::pow((p.y + 4.0f + 2.2f * std::sin(wave)) * 0.8f, 2.0f));
            float rays = 0.5f + 0.5f * value_noise(wave * 14.0f, 0.0f, land.seed + 96);
            float fade = std::exp(-layer * 0.13f);
            Vec3 colour =
                mix(Vec3{0.1f, 1.0f, 0.35f}, Vec3{0.7f, 0.2f, 0.8f}, clamp01(layer / 18.0f));
            acc += colour * (band * rays * fade);
        }
        c += acc * (land.aurora * 0.08f);
    }
    return c;
}

Vec3 sky(const Scene& s, Vec3 rd)
{
    const Landscape& land = s.land;
    float up = std::max(rd.y, 0.0f);
    Vec3 c = mix(land.horizon, land.zenith, std::pow(up, 0.45f));
    float mu = std::max(0.0f, dot(rd, s.sun_dir));
    if (!land.night) {
        c += land.sun * (0.18f * std::pow(mu, 6.0f) + 0.35f * std::pow(mu, 60.0f));
        float disc = smoothstep(0.99993f, 0.99997f, mu);
        c += land.sun * (disc * 40.0f);
    } else {
        c = c + stars_and_galaxy(s, rd) * smoothstep(0.0f, 0.12f, rd.y);
        float disc = smoothstep(0.99988f, 0.99991f, mu);
        if (disc > 0.0f) {
            Vec3 moon_up = normalize(cross(cross(s.sun_dir, Vec3{0, 1, 0}), s.sun_dir));
            float mx = dot(rd, normalize(cross(s.sun_dir, Vec3{0, 1, 0}))) * 2000.0f;
            float my = dot(rd, moon_up) * 2000.0f;
            float maria = 0.75f + 0.25f * fbm(Vec2{mx, my} * 0.6f, 4, land.seed + 99);
            c = mix(c, land.sun * (5.0f * maria), disc);
        }
        c += land.sun * (0.25f * std::pow(mu, 30.0f) + 0.05f * std::pow(mu, 4.0f));
    }
    if (rd.y < 0.0f) {
        c = mix(c, land.horizon * 0.8f, clamp01(-rd.y * 6.0f));
    }
    return c;
}

// Cloud layer seen along a ray: colour and coverage, from above or below.
struct CloudHit {
    float t;
    float alpha;
    Vec3 colour;
};

CloudHit clouds(const Scene& s, Vec3 ro, Vec3 rd)
{
    const Landscape& land = s.land;
    CloudHit none{-1.0f, 0.0f, {0, 0, 0}};
    if (land.cloud_cover <= 0.0f || std::fabs(rd.y) < 1e-4f)
        return none;
    float t = (land.cloud_altitude - ro.y) / rd.y;
    if (t <= 0.0f)
        return none;
    Vec3 p = ro + rd * t;
    Vec2 q{p.x / land.cloud_scale, p.z / land.cloud_scale};
    // Octaves fade with distance so far clouds do not shimmer.
    int octaves = std::clamp(static_cast<int>(9.0f - std::log2(1.0f + t / 800.0f) * 1.4f), 3, 9);
    Vec2 warp{fbm(q * 0.7f, 3, land.seed + 60), fbm(q * 0.7f + Vec2{5, 3}, 3, land.seed + 61)};
    float n = fbm(q + warp * 0.8f, octaves, land.seed + 62) * 0.5f + 0.5f;
    float lo = 1.0f - land.cloud_cover * 0.9f;
    float density = smoothstep(lo - 0.05f, lo + 0.25f, n + 0.1f * land.cloud_cover);
    if (density <= 0.0f)
        return none;
    // Self-shadowing: how much cloud lies a step toward the sun.
    Vec2 toward{s.sun_dir.x, s.sun_dir.z};
    float lt = length(toward);
    toward = lt > 1e-3f ? toward * (0.08f / lt) : Vec2{0, 0};
    float n2 = fbm(q + toward + warp * 0.8f, std::min(octaves, 6), land.seed + 62) * 0.5f + 0.5f;
    float shadow = clamp01((n2 - n) * 4.0f + 0.5f);
    float lit = 1.0f - 0.75f * shadow * density;
    float mu = std::max(0.0f, dot(rd, s.sun_dir));
    Vec3 bright = land.sun * (land.sun_strength * 0.35f * (0.6f + 0.4f * lit));
    Vec3 colour = mix(land.cloud_shadow, bright, lit * clamp01(s.sun_dir.y * 3.0f + 0.2f));
    if (rd.y > 0.0f) {
        // Seen from below: thicker cloud is darker; thin edges glow around the sun.
        colour = colour * (1.0f - 0.45f * density) +
                 land.sun * (std::pow(mu, 8.0f) * (1.0f - density) * 2.0f);
    }
    float fade = std::exp(-t / (land.cloud_scale * 18.0f));
    CloudHit h;
    h.t = t;
    h.alpha = density * fade;
    h.colour = colour;
    return h;
}

Vec3 apply_haze(const Scene& s, Vec3 colour, Vec3 ro, Vec3 rd, float t)
{
    const Landscape& land = s.land;
    Vec3 ext{std::exp(-t * land.haze * 0.7f), std::exp(-t * land.haze * 0.9f),
             std::exp(-t * land.haze * 1.2f)};
    float mu = std::max(0.0f, dot(rd, s.sun_dir));
    Vec3 haze_colour = land.horizon + land.sun * (0.5f * std::pow(mu, 8.0f));
    Vec3 c{colour.x * ext.x + haze_colour.x * (1 - ext.x),
           colour.y * ext.y + haze_colour.y * (1 - ext.y),
           colour.z * ext.z + haze_colour.z * (1 - ext.z)};
    if (land.mist_density > 0.0f) {
        // Exponential height fog, integrated along the ray.
        float b = 1.0f / land.mist_height;
        float h0 = ro.y - land.base;
        float amount;
        if (std::fabs(rd.y) < 1e-4f) {
            amount = land.mist_density * std::exp(-h0 * b) * t;
        } else {
            amount = land.mist_density * std::exp(-h0 * b) * (1.0f - std::exp(-t * rd.y * b)) /
                     (rd.y * b);
        }
        float f = 1.0f - std::exp(-amount);
        Vec3 mist = land.horizon * 1.05f + land.sun * (0.3f * std::pow(mu, 4.0f));
        c = mix(c, mist, clamp01(f));
    }
    return c;
}

Vec3 terrain_normal(const Scene& s, Vec3 p, float t)
{
    // Down to features about a pixel wide at this distance, and no finer.
    float footprint = std::max(0.02f, t * s.view.pixel_angle);
    int octaves = std::clamp(static_cast<int>(std::log2(s.land.scale / footprint)) + 1, 4, 16);
    float e = std::max(0.05f, t * s.view.pixel_angle * 0.8f);
    float h = terrain_height(s.land, {p.x, p.z}, octaves);
    float hx = terrain_height(s.land, {p.x + e, p.z}, octaves);
    float hz = terrain_height(s.land, {p.x, p.z + e}, octaves);
    return normalize(Vec3{h - hx, e, h - hz});
}

Vec3 shade_ground(const Scene& s, Vec3 p, Vec3 rd, float t)
{
    const Landscape& land = s.land;
    Vec3 n = terrain_normal(s, p, t);
    Vec2 xz{p.x, p.z};
    float slope = n.y;
    float patch = fbm(xz * (1.0f / 70.0f), 4, land.seed + 30);
    float fine = value_noise(p.x * 0.9f, p.z * 0.9f, land.seed + 31);

    // Rock with strata and lichen-toned variation.
    float strata = 0.5f + 0.5f * std::sin(p.y * 0.21f + 9.0f * patch + 2.0f * fine);
    float grit = fbm(xz * 0.35f, 3, land.seed + 32);
    Vec3 col = land.rock * (0.75f + 0.12f * strata + 0.25f * grit + 0.3f * patch);
    if (land.terrain == Terrain::kMesa) {
        Vec3 band = mix(rgb(170, 80, 45), rgb(215, 150, 100), strata);
        col = mix(band, land.rock, 0.3f) * (0.8f + 0.2f * fine);
    }
    // Plants and soil on the gentler slopes.
    float green = smoothstep(0.72f, 0.86f, slope + 0.08f * patch);
    Vec3 veg = land.grass * (0.75f + 0.5f * patch + 0.15f * fine);
    float forest = 0.0f;
    if (p.y < land.tree_line) {
        forest = smoothstep(0.0f, 0.25f, fbm(xz * (1.0f / 180.0f), 4, land.seed + 33) + 0.1f) *
                 smoothstep(land.tree_line, land.tree_line - 80.0f, p.y);
        // Canopies: dark clumps with lit tops.
        float crowns = 0.5f + 0.5f * value_noise(p.x * 0.25f, p.z * 0.25f, land.seed + 34);
        Vec3 foliage = land.grass * Vec3{0.8f, 0.95f, 0.8f};
        if (land.autumn) {
            // Neighbouring trees turn at different times: a colour per clump.
            float hue = value_noise(p.x * 0.2f, p.z * 0.2f, land.seed + 35) * 0.5f + 0.5f;
            foliage = hue < 0.35f ? rgb(170, 50, 20)
                                  : (hue < 0.7f ? rgb(220, 140, 30) : rgb(90, 110, 35));
        }
        veg = mix(veg, foliage * (0.3f + 0.45f * crowns), forest);
    }
    col = mix(col, veg, green);
    if (land.terrain == Terrain::kDunes) {
        col = land.soil * (0.9f + 0.1f * fine + 0.1f * patch);
    }
    if (land.water_level > kNoWater) {
        float beach = smoothstep(land.water_level + 6.0f, land.water_level + 1.0f, p.y);
        col = mix(col, land.soil * (0.9f + 0.2f * fine), beach * smoothstep(0.5f, 0.8f, slope));
        // Wet, darker rock right at the waterline.
        col = col * (1.0f - 0.35f * smoothstep(land.water_level + 1.5f, land.water_level, p.y));
    }
    float snow = smoothstep(land.snow_line - 60.0f, land.snow_line + 60.0f, p.y + 120.0f * patch) *
                 smoothstep(0.45f, 0.7f, slope);
    col = mix(col, rgb(235, 240, 248), snow);

    float diffuse = std::max(0.0f, dot(n, s.sun_dir));
    float shadow = diffuse > 0.0f ? soft_shadow(s, p + n * 1.0f, 12.0f) : 0.0f;
    Vec3 sky_light = land.zenith * (0.5f + 0.5f * n.y) * 0.9f;
    Vec3 bounce = land.horizon * (0.15f * std::max(0.0f, -n.y + 0.3f));
    float occlusion = 0.6f + 0.4f * clamp01(0.5f + (p.y - terrain_height(land, xz, 3)) /
                                                       (0.08f * land.amplitude));
    Vec3 light =
        land.sun * (land.sun_strength * diffuse * shadow) + (sky_light + bounce) * occlusion;
    Vec3 c = col * light;
    // Sun glints on snow.
    Vec3 h = normalize(s.sun_dir - rd);
    c += land.sun * (snow * shadow * 0.3f * std::pow(std::max(0.0f, dot(n, h)), 40.0f));
    return c;
}

Vec3 shade_water(const Scene& s, Vec3 p, Vec3 rd, float t)
{
    const Landscape& land = s.land;
    // Ripples fade out with distance where they would be smaller than a pixel.
    float detail = clamp01(1.0f - t * s.view.pixel_angle / 0.6f);
    Vec2 q{p.x * 0.12f, p.z * 0.3f};
    NoiseSample a = value_noise_d(q.x, q.y, land.seed + 50);
    NoiseSample b = value_noise_d(q.x * 3.1f + 7.0f, q.y * 3.1f, land.seed + 51);
    float strength = (0.05f + 0.04f * a.value) * detail + 0.008f;
    Vec3 n =
        normalize(Vec3{-(a.dx + 0.4f * b.dx) * strength, 1.0f, -(a.dy + 0.4f * b.dy) * strength});
    Vec3 r = reflect(rd, n);
    if (r.y < 0.02f)
        r.y = 0.02f;
    r = normalize(r);
    Vec3 reflected;
    float tr = march_terrain(s, p + Vec3{0, 0.5f, 0}, r, 12000.0f, 6, 90);
    // A grazing reflected ray can come within the march's tolerance of the lake bed just
    // under the surface; only ground standing out of the water is mirrored.
    if (tr > 0.0f && (p + r * tr).y < land.water_level + 0.25f) {
        tr = -1.0f;
    }
    if (tr > 0.0f) {
        Vec3 hp = p + r * tr;
        reflected = apply_haze(s, shade_ground(s, hp, r, tr + t), p, r, tr);
    } else {
        reflected = sky(s, r);
        CloudHit ch = clouds(s, p, r);
        if (ch.t > 0.0f)
            reflected = mix(reflected, ch.colour, ch.alpha);
    }
    float cosi = std::max(0.0f, -dot(rd, n));
    float fresnel = 0.02f + 0.98f * std::pow(1.0f - cosi, 5.0f);
    float depth = land.water_level - terrain_height(land, {p.x, p.z}, 6);
    Vec3 body = mix(land.shallows, land.water, clamp01(depth / 12.0f));
    // Shallow water shows the sandy bottom.
    body = mix(land.soil * 0.8f, body, clamp01(depth / 1.5f));
    Vec3 lightsum =
        land.sun * (land.sun_strength * 0.25f * std::max(0.0f, s.sun_dir.y)) + land.zenith * 0.6f;
    Vec3 c = mix(body * lightsum, reflected, fresnel);
    Vec3 h = normalize(s.sun_dir - rd);
    c += land.sun * (land.night ? 3.0f : 8.0f) * std::pow(std::max(0.0f, dot(n, h)), 600.0f);
    return c;
}

}  // namespace

namespace {

Vec3 ray_direction(const LandscapeView& view, float x, float y, int width, int height)
{
    float u = (2.0f * x / width - 1.0f) * view.aspect * view.tan_half_fov;
    float v = (1.0f - 2.0f * y / height) * view.tan_half_fov;
    return normalize(view.forward + view.right * u + view.up * v);
}

}  // namespace

RayHit first_hit(const Landscape& land, const LandscapeView& view, float x, float y, int width,
                 int height)
{
    Scene s{land, view, sun_direction(land)};
    Vec3 rd = ray_direction(view, x, y, width, height);
    float t_ground = march_terrain(s, view.eye, rd, 30000.0f, 5, 120);
    float t_water = -1.0f;
    if (land.water_level > kNoWater && rd.y < 0.0f) {
        t_water = (land.water_level - view.eye.y) / rd.y;
    }
    if (t_water > 0.0f && (t_ground < 0.0f || t_water < t_ground)) {
        return {RayHit::kWater, t_water};
    }
    if (t_ground > 0.0f) {
        return {RayHit::kGround, t_ground};
    }
    return {RayHit::kSky, 0.0f};
}

Vec3 shade_landscape(const Landscape& land, const LandscapeView& view, float x, float y, int width,
                     int height)
{
    Scene s{land, view, sun_direction(land)};
    Vec3 rd = ray_direction(view, x, y, width, height);
    Vec3 ro = view.eye;

    float tmax = 30000.0f;
    float t_ground = march_terrain(s, ro, rd, tmax, 7, 260);
    float t_water = -1.0f;
    if (land.water_level > kNoWater && rd.y < 0.0f) {
        t_water = (land.water_level - ro.y) / rd.y;
    }
    float t = -1.0f;
    Vec3 c;
    if (t_water > 0.0f && (t_ground < 0.0f || t_water < t_ground)) {
        t = t_water;
        c = shade_water(s, ro + rd * t, rd, t);
    } else if (t_ground > 0.0f) {
        t = t_ground;
        c = shade_ground(s, ro + rd * t, rd, t);
    }
    if (t > 0.0f) {
        c = apply_haze(s, c, ro, rd, t);
    } else {
        c = apply_haze(s, sky(s, rd), ro, rd, 0.0f);
        t = 1e9f;
    }
    CloudHit ch = clouds(s, ro, rd);
    if (ch.t > 0.0f && ch.t < t) {
        Vec3 cloud = apply_haze(s, ch.colour, ro, rd, ch.t * 0.5f);
        c = mix(c, cloud, ch.alpha);
    }
    return c;
}
