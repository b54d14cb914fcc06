// Noise primitives for the picture generator (see field.h).
#include "field.h"

namespace {

// The four lattice values around a cell. Noise needs no more than a quick mix: the
// products for neighbouring rows and columns differ by a constant, so they are shared.
struct Corners {
    float a, b, c, d;
};

inline float lattice(std::uint32_t h)
{
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return (h >> 8) * (1.0f / 16777216.0f);
}

inline Corners corners(int ix, int iy, std::uint32_t seed)
{
    std::uint32_t s = seed * 0x9E3779B9u;
    std::uint32_t x0 = static_cast<std::uint32_t>(ix) * 0x85EBCA6Bu, x1 = x0 + 0x85EBCA6Bu;
    std::uint32_t y0 = static_cast<std::uint32_t>(iy) * 0xC2B2AE35u, y1 = y0 + 0xC2B2AE35u;
    return {lattice(s ^ x0 ^ y0), lattice(s ^ x1 ^ y0), lattice(s ^ x0 ^ y1), lattice(s ^ x1 ^ y1)};
}

// A fixed rotation by about 37 degrees with scale 2, applied between octaves.
Vec2 next_octave(Vec2 p)
{
    return {1.6f * p.x - 1.2f * p.y, 1.2f * p.x + 1.6f * p.y};
}

}  // namespace

NoiseSample value_noise_d(float x, float y, std::uint32_t seed)
{
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float u = x - fx, v = y - fy;
    float su = u * u * u * (u * (u * 6.0f - 15.0f) + 10.0f);
    float sv = v * v * v * (v * (v * 6.0f - 15.0f) + 10.0f);
    float du = 30.0f * u * u * (u * (u - 2.0f) + 1.0f);
    float dv = 30.0f * v * v * (v * (v - 2.0f) + 1.0f);
    Corners k = corners(ix, iy, seed);
    float a = k.a, b = k.b, c = k.c, d = k.d;
    float k1 = b - a, k2 = c - a, k4 = a - b - c + d;
    NoiseSample s;
    s.value = -1.0f + 2.0f * (a + k1 * su + k2 * sv + k4 * su * sv);
    s.dx = 2.0f * du * (k1 + k4 * sv);
    s.dy = 2.0f * dv * (k2 + k4 * su);
    return s;
}

float value_noise(float x, float y, std::uint32_t seed)
{
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float u = x - fx, v = y - fy;
    u = u * u * u * (u * (u * 6.0f - 15.0f) + 10.0f);
    v = v * v * v * (v * (v * 6.0f - 15.0f) + 10.0f);
    Corners k = corners(ix, iy, seed);
    float a = k.a, b = k.b, c = k.c, d = k.d;
    return -1.0f + 2.0f * mix(mix(a, b, u), mix(c, d, u), v);
}

float fbm(Vec2 p, int octaves, std::uint32_t seed, float gain)
{
    float sum = 0.0f, amp = 0.5f;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * value_noise(p.x, p.y, seed + i);
        amp *= gain;
        p = next_octave(p);
    }
    return sum;
}

float ridged(Vec2 p, int octaves, std::uint32_t seed)
{
    float sum = 0.0f, amp = 0.5f, weight = 1.0f;
    for (int i = 0; i < octaves; ++i) {
        float n = 1.0f - std::fabs(value_noise(p.x, p.y, seed + i));
        n *= n * weight;
        weight = clamp01(n * 1.5f);
        sum += amp * n;
        amp *= 0.5f;
        p = next_octave(p);
    }
    return sum;
}

CellSample cells(Vec2 p, std::uint32_t seed, float jitter)
{
    float fx = std::floor(p.x), fy = std::floor(p.y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    CellSample best{1e9f, 1e9f, 0, {0, 0}};
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            std::uint32_t h = hash3(ix + i, iy + j, seed);
            Vec2 c{fx + i + 0.5f + jitter * ((h & 0xFFFF) / 65535.0f - 0.5f),
                   fy + j + 0.5f + jitter * ((h >> 16) / 65535.0f - 0.5f)};
            float d = length(p - c);
            if (d < best.f1) {
                best.f2 = best.f1;
                best.f1 = d;
                best.id = h;
                best.centre = c;
            } else if (d < best.f2) {
                best.f2 = d;
            }
        }
    }
    return best;
}
