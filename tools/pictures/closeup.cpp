// Macro surfaces and fractal close-ups (see closeup.h).
#include "closeup.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace {

struct Sample {
    float height;
    Vec3 albedo;
    float gloss;    // 0 matt .. 1 wet/polished
    Vec3 emission;  // light of its own (molten rock)
};

Sample surface_at(const Closeup& c, Vec2 q)
{
    std::uint32_t s = c.seed;
    Sample out{0.0f, {0.5f, 0.5f, 0.5f}, 0.0f, {0, 0, 0}};
    switch (c.surface) {
        case Surface::kGranite: {
            // Interlocking crystals: feldspar, quartz and a few dark mica flakes, under
            // broad weathering stains.
            Vec2 w =
                q + Vec2{fbm(q * 6.0f, 2, s + 1), fbm(q * 6.0f + Vec2{3, 7}, 2, s + 2)} * 0.03f;
            CellSample grain = cells(w * 60.0f, s, 1.0f);
            float kind = (grain.id & 1023) / 1023.0f;
            float shade = ((grain.id >> 10) & 255) / 255.0f;
            Vec3 mineral = kind < 0.5f
                               ? mix(rgb(190, 175, 165), rgb(215, 200, 190), shade)
                               : (kind < 0.88f ? mix(rgb(165, 135, 125), rgb(190, 150, 130), shade)
                                               : mix(rgb(60, 56, 55), rgb(95, 88, 80), shade));
            float stain = fbm(q * 1.5f, 5, s + 3);
            float rough = fbm(q * 90.0f, 3, s + 4);
            out.albedo = mix(mineral, mineral * Vec3{0.85f, 0.8f, 0.7f}, clamp01(stain + 0.3f)) *
                         (0.9f + 0.15f * rough) *
                         (0.75f + 0.25f * smoothstep(0.0f, 0.06f, grain.f2 - grain.f1));
            out.height =
                0.004f * rough + 0.002f * (1.0f - grain.f1) + 0.06f * fbm(q * 2.0f, 5, s + 5);
            float crack = smoothstep(0.006f, 0.0f, std::fabs(fbm(q * 0.8f, 4, s + 6)));
            out.height -= 0.01f * crack;
            out.albedo = out.albedo * (1.0f - 0.45f * crack);
            out.gloss = 0.15f * (kind > 0.8f ? 1.0f : 0.0f);
            break;
        }
        case Surface::kPebbles: {
            Vec2 w = q * 3.0f +
                     Vec2{fbm(q * 2.0f, 2, s + 4), fbm(q * 2.0f + Vec2{4, 4}, 2, s + 5)} * 0.3f;
            CellSample st = cells(w, s, 0.85f);
            float edge = st.f2 - st.f1;
            float dome = std::sqrt(clamp01(edge * 3.0f));
            float tone = (st.id & 255) / 255.0f, hue = ((st.id >> 8) & 255) / 255.0f;
            Vec3 stone = mix(rgb(120, 110, 100), rgb(200, 185, 160), tone);
            if (hue > 0.7f)
                stone = mix(stone, rgb(140, 90, 70), 0.6f);
            if (hue < 0.15f)
                stone = stone * 0.5f;
            float speck = value_noise(q.x * 80.0f, q.y * 80.0f, s + st.id % 97);
            out.albedo =
                stone * (0.85f + 0.15f * speck) * (0.4f + 0.6f * smoothstep(0.0f, 0.08f, edge));
            out.height = 0.12f * dome + 0.004f * speck;
            out.gloss = 0.35f;
            break;
        }
        case Surface::kBark: {
            Vec2 stretched{q.x * 2.2f, q.y * 0.35f};
            float ridges = ridged(stretched + Vec2{0.4f * fbm(q, 3, s + 6), 0}, 6, s + 7);
            float fissure = smoothstep(0.55f, 0.2f, ridges);
            float flakes = fbm(Vec2{q.x * 6.0f, q.y * 3.0f}, 4, s + 8);
            out.height = 0.25f * ridges + 0.03f * flakes;
            Vec3 outer = mix(rgb(110, 95, 80), rgb(150, 140, 125), clamp01(0.5f + flakes));
            Vec3 deep = rgb(45, 30, 22);
            out.albedo = mix(outer, deep, fissure);
            float moss = smoothstep(0.15f, 0.45f, fbm(q * 0.8f, 4, s + 9)) * fissure;
            out.albedo = mix(out.albedo, rgb(70, 95, 35), moss * 0.8f);
            break;
        }
        case Surface::kIce: {
            float depth = fbm(q * 1.3f, 6, s + 10);
            CellSample cr = cells(q * 1.6f + Vec2{depth, depth} * 0.5f, s + 11, 1.0f);
            float crack = smoothstep(0.035f, 0.0f, cr.f2 - cr.f1);
            float fine_crack = smoothstep(0.02f, 0.0f, std::fabs(fbm(q * 4.0f, 5, s + 12)));
            CellSample bubble = cells(q * 14.0f, s + 13, 0.8f);
            float bubbles = smoothstep(0.16f, 0.1f, bubble.f1) *
                            (hash01(static_cast<int>(bubble.id), 1, s) > 0.7f ? 1.0f : 0.0f);
            Vec3 body = mix(rgb(20, 60, 95), rgb(120, 180, 215), clamp01(0.5f + depth));
            out.albedo =
                body + rgb(230, 245, 255) * (0.8f * crack + 0.4f * fine_crack + 0.5f * bubbles);
            out.height = 0.02f * depth + 0.01f * bubbles - 0.01f * crack;
            out.gloss = 1.0f;
            break;
        }
        case Surface::kLava: {
            Vec2 w = q * 1.5f + Vec2{fbm(q, 4, s + 14), fbm(q + Vec2{3, 1}, 4, s + 15)} * 0.6f;
            CellSample plate = cells(w, s + 16, 0.9f);
            float gap = plate.f2 - plate.f1;
            // Molten rock shows through narrow cracks: white-yellow at the core, deep red where
            // it cools against the crust, and a red glow on the crust's lips.
            float width = 0.035f + 0.03f * fbm(q * 3.0f, 3, s + 17);
            float core = smoothstep(width, 0.0f, gap);
            float lip = smoothstep(width * 3.0f, 0.0f, gap);
            float crust = fbm(q * 12.0f, 5, s + 18) + 0.5f * fbm(q * 40.0f, 3, s + 19);
            out.height = 0.1f * smoothstep(0.0f, 0.25f, gap) + 0.03f * crust;
            out.albedo = rgb(38, 34, 34) * (0.6f + 0.7f * clamp01(0.5f + crust));
            out.gloss = 0.25f;
            float flicker = 0.7f + 0.3f * fbm(q * 8.0f, 3, s + 20);
            out.emission = Vec3{9.0f, 3.5f, 0.6f} * (core * core * core * flicker) +
                           Vec3{2.5f, 0.35f, 0.02f} * (core * flicker) +
                           Vec3{0.35f, 0.03f, 0.0f} * (lip * lip);
            break;
        }
        case Surface::kLichen: {
            float rock = fbm(q * 2.0f, 6, s + 19);
            out.height = 0.08f * rock;
            out.albedo = rgb(125, 122, 116) * (0.8f + 0.3f * fbm(q * 6.0f, 5, s + 20) +
                                               0.15f * ridged(q * 25.0f, 3, s + 25));
            // Colonies grow outward in lobes: noise thresholded, with crinkled surfaces.
            float crinkle = ridged(q * 40.0f, 4, s + 23);
            float l1 = smoothstep(0.0f, 0.05f, fbm(q * 1.7f, 7, s + 21));
            float l2 = smoothstep(0.08f, 0.13f, fbm(q * 2.3f + Vec2{7, 2}, 7, s + 22));
            float l3 = smoothstep(0.12f, 0.16f, fbm(q * 5.0f + Vec2{1, 5}, 6, s + 24));
            out.albedo = mix(out.albedo, mix(rgb(215, 160, 30), rgb(240, 200, 70), crinkle), l1);
            out.albedo = mix(out.albedo, mix(rgb(140, 155, 120), rgb(190, 200, 170), crinkle),
                             l2 * (1.0f - l1));
            out.albedo = mix(out.albedo, rgb(45, 42, 38), l3 * (1.0f - l1) * (1.0f - l2) * 0.85f);
            out.height += 0.006f * (l1 + l2) * crinkle;
            break;
        }
        case Surface::kMud: {
            Vec2 w = q * 2.0f +
                     Vec2{fbm(q * 3.0f, 3, s + 24), fbm(q * 3.0f + Vec2{2, 9}, 3, s + 25)} * 0.2f;
            CellSample plate = cells(w, s + 26, 0.95f);
            float gap = plate.f2 - plate.f1;
            float crack = smoothstep(0.06f, 0.02f, gap);
            float curl = smoothstep(0.0f, 0.3f, gap);
            float dust = fbm(q * 25.0f, 4, s + 27);
            out.height = 0.06f * curl - 0.08f * crack + 0.005f * dust + 0.02f * (1.0f - plate.f1);
            out.albedo = mix(rgb(175, 140, 100), rgb(150, 115, 80), clamp01(0.5f + dust)) *
                         (1.0f - 0.7f * crack);
            break;
        }
        case Surface::kMarble: {
            // Cloudy green-grey stone crossed by dark veins and a finer web of white ones.
            float cloud = fbm(q * 1.4f, 7, s + 27);
            float t = q.x * 1.2f + q.y * 0.4f + 2.5f * fbm(q * 1.1f, 7, s + 28);
            float vein = std::pow(std::fabs(std::sin(t * kPi)), 0.2f);
            float white = smoothstep(0.025f, 0.0f, std::fabs(fbm(q * 3.0f, 6, s + 29)));
            Vec3 body = mix(rgb(200, 205, 195), rgb(95, 115, 105), smoothstep(-0.2f, 0.3f, cloud));
            out.albedo = mix(rgb(30, 40, 36), body, vein);
            out.albedo = mix(out.albedo, rgb(245, 245, 238), 0.85f * white);
            out.albedo = mix(out.albedo, rgb(190, 150, 110),
                             0.2f * smoothstep(0.2f, 0.5f, fbm(q * 0.7f, 3, s + 30)));
            out.height = 0.001f * white;
            out.gloss = 0.8f;
            break;
        }
        case Surface::kSand: {
            float warp = fbm(q * 0.5f, 4, s + 31);
            float d = q.y * 7.0f + q.x * 1.5f + 3.0f * warp;
            float f = d - std::floor(d);
            float ripple = f < 0.7f ? smoothstep(0.0f, 0.7f, f) : 1.0f - smoothstep(0.7f, 1.0f, f);
            float grains = value_noise(q.x * 300.0f, q.y * 300.0f, s + 32);
            out.height = 0.04f * ripple + 0.002f * grains;
            out.albedo = mix(rgb(215, 180, 130), rgb(190, 150, 105), clamp01(0.5f + warp)) *
                         (0.9f + 0.15f * grains);
            float shells =
                smoothstep(0.9f, 0.95f,
                           hash01(static_cast<int>(q.x * 40), static_cast<int>(q.y * 40), s + 33));
            out.albedo = mix(out.albedo, rgb(80, 60, 50), shells * 0.5f);
            break;
        }
        case Surface::kWood: {
            Vec2 centre{0.3f, -0.2f};
            float r = length(q - centre) * 9.0f + 0.3f * fbm(q * 2.0f, 4, s + 34);
            float ring = r - std::floor(r);
            float late = smoothstep(0.6f, 0.95f, ring);
            float check = smoothstep(0.015f, 0.0f,
                                     std::fabs(std::atan2(q.y - centre.y, q.x - centre.x) - 0.7f +
                                               0.05f * fbm(q * 6.0f, 3, s + 35))) *
                          smoothstep(0.2f, 0.6f, length(q - centre));
            float saw = 0.5f + 0.5f * value_noise(q.x * 150.0f, q.y * 8.0f, s + 36);
            out.albedo = mix(rgb(205, 160, 110), rgb(140, 85, 45), late) * (0.9f + 0.1f * saw) *
                         (1.0f - 0.8f * check);
            out.height = 0.01f * late + 0.004f * saw - 0.05f * check;
            break;
        }
        case Surface::kRust: {
            float big = fbm(q * 1.2f, 6, s + 37);
            float pits = smoothstep(0.55f, 0.75f, fbm(q * 8.0f, 4, s + 38) + 0.5f);
            float paint = smoothstep(0.05f, 0.1f, big);
            Vec3 rust =
                mix(rgb(120, 50, 20), rgb(180, 95, 40), clamp01(0.5f + fbm(q * 6.0f, 4, s + 39)));
            Vec3 blue = rgb(40, 95, 140) * (0.9f + 0.1f * fbm(q * 40.0f, 2, s + 40));
            out.albedo = mix(rust * (1.0f - 0.4f * pits), blue, paint);
            out.height = 0.02f * paint + 0.01f * big - 0.01f * pits;
            out.gloss = 0.3f * paint;
            break;
        }
        case Surface::kFrost: {
            float acc = 0.0f;
            for (int k = 0; k < 3; ++k) {
                CellSample seedc = cells(q * (1.5f + k), s + 41 + k, 1.0f);
                Vec2 d = q * (1.5f + k) - seedc.centre;
                float ang = std::atan2(d.y, d.x) + (seedc.id & 255) * 0.1f;
                float arms = std::pow(std::fabs(std::cos(ang * 3.0f)), 40.0f);
                float fern = std::pow(std::fabs(std::cos(ang * 3.0f + length(d) * 60.0f)), 8.0f);
                acc += (arms + 0.4f * fern * (1.0f - smoothstep(0.0f, 0.6f, length(d)))) *
                       smoothstep(0.7f, 0.0f, length(d));
            }
            float glaze = fbm(q * 4.0f, 5, s + 45);
            out.albedo =
                mix(rgb(25, 45, 80), rgb(225, 238, 250), clamp01(acc * 0.9f + 0.2f * glaze));
            out.height = 0.01f * clamp01(acc);
            out.gloss = 0.9f;
            break;
        }
    }
    return out;
}

}  // namespace

Vec3 shade_closeup(const Closeup& c, float x, float y, int width, int height)
{
    float unit = c.zoom / height;
    Vec2 q{(x - width * 0.5f) * unit, (y - height * 0.5f) * unit};
    float e = unit * 0.7f;
    Sample s0 = surface_at(c, q);
    float hx = surface_at(c, q + Vec2{e, 0}).height;
    float hy = surface_at(c, q + Vec2{0, e}).height;
    float relief = 1.0f / c.zoom;  // heights are in surface units; keep slopes similar at any zoom
    Vec3 n = normalize(Vec3{(s0.height - hx) * relief, (s0.height - hy) * relief, e * relief});
    float az = c.light_azimuth * kPi / 180.0f, el = c.light_elevation * kPi / 180.0f;
    Vec3 l{std::cos(az) * std::cos(el), -std::sin(az) * std::cos(el), std::sin(el)};
    float diffuse = std::max(0.0f, dot(n, l));
    Vec3 view{0, 0, 1};
    Vec3 h = normalize(l + view);
    float highlight = s0.gloss * std::pow(std::max(0.0f, dot(n, h)), 20.0f + 200.0f * s0.gloss);
    float cavity = clamp01(0.75f + n.z * 0.25f);
    Vec3 out = s0.albedo * (c.light * (2.2f * diffuse) + c.ambient * cavity) +
               c.light * (highlight * 1.5f) + s0.emission;
    return out;
}

Vec3 shade_fractal(const Fractal& f, float x, float y, int width, int height)
{
    double scale = f.span / width;
    double cx = f.centre_x + (x - width * 0.5) * scale;
    double cy = f.centre_y - (y - height * 0.5) * scale;
    std::complex<double> z, c, dz;
    if (f.kind == FractalKind::kJulia) {
        z = {cx, cy};
        c = {f.julia_x, f.julia_y};
        dz = 1.0;
    } else {
        z = 0.0;
        c = {cx, cy};
        dz = 0.0;
    }
    const double kEscape = 1e6;
    int n = 0;
    for (; n < f.max_iterations; ++n) {
        if (std::norm(z) > kEscape)
            break;
        if (f.kind == FractalKind::kBurningShip) {
            z = {std::fabs(z.real()), std::fabs(z.imag())};
            dz = 2.0 * z * dz + 1.0;
            z = z * z + c;
        } else {
            dz = 2.0 * z * dz + (f.kind == FractalKind::kJulia ? 0.0 : 1.0);
            z = z * z + c;
        }
    }
    if (n >= f.max_iterations)
        return f.inside;
    float smooth = static_cast<float>(n + 1 - std::log2(std::log(std::abs(z))));
    float t = smooth * f.ramp_density;
    Vec3 col{f.a.x + f.b.x * std::cos(2 * kPi * (f.c.x * t + f.d.x)),
             f.a.y + f.b.y * std::cos(2 * kPi * (f.c.y * t + f.d.y)),
             f.a.z + f.b.z * std::cos(2 * kPi * (f.c.z * t + f.d.z))};
    col = {col.x * col.x, col.y * col.y, col.z * col.z};  // the ramp is sRGB-ish; light is linear
    // Relief from the direction of z / dz: lit like embossed metal.
    std::complex<double> u = z / dz;
    double len = std::abs(u);
    float shade = 0.5f;
    if (len > 0.0) {
        u /= len;
        double la = f.light_angle * kPi / 180.0;
        const double kHeight = 1.5;
        double tt = (u.real() * std::cos(la) + u.imag() * std::sin(la) + kHeight) / (1.0 + kHeight);
        shade = static_cast<float>(std::clamp(tt, 0.0, 1.0));
    }
    // Distance estimate darkens the thin filaments near the set, like a shadowed edge.
    double de = std::abs(z) * std::log(std::abs(z)) / std::abs(dz);
    float near = static_cast<float>(std::clamp(de / scale * 0.8, 0.0, 1.0));
    return col * (0.15f + 1.3f * shade * shade) * (0.35f + 0.65f * std::sqrt(near));
}
