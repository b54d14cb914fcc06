// Small vector maths and deterministic noise for the picture generator.
//
// Every picture is a pure function of its pixel coordinates and a fixed seed, so the same
// build always writes the same bytes. The noise here is hash-based (no tables, no global
// state), which keeps it safe to call from several render threads at once.
#pragma once

#include <cmath>    // std::sqrt, std::floor, std::exp
#include <cstdint>  // std::uint32_t

// In float, like every angle the renderers work with.
constexpr float kPi = 3.14159265f;

struct Vec2 {
    float x, y;
};

struct Vec3 {
    float x, y, z;
};

inline Vec2 operator+(Vec2 a, Vec2 b)
{
    return {a.x + b.x, a.y + b.y};
}
inline Vec2 operator-(Vec2 a, Vec2 b)
{
    return {a.x - b.x, a.y - b.y};
}
inline Vec2 operator*(Vec2 a, float s)
{
    return {a.x * s, a.y * s};
}
inline float dot(Vec2 a, Vec2 b)
{
    return a.x * b.x + a.y * b.y;
}
inline float length(Vec2 a)
{
    return std::sqrt(dot(a, a));
}

inline Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, Vec3 b)
{
    return {a.x * b.x, a.y * b.y, a.z * b.z};
}
inline Vec3 operator*(Vec3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline Vec3 operator*(float s, Vec3 a)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline Vec3& operator+=(Vec3& a, Vec3 b)
{
    return a = a + b;
}
inline float dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline float length(Vec3 a)
{
    return std::sqrt(dot(a, a));
}
inline Vec3 normalize(Vec3 a)
{
    return a * (1.0f / length(a));
}
inline Vec3 cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline Vec3 reflect(Vec3 d, Vec3 n)
{
    return d - n * (2.0f * dot(d, n));
}

inline float clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}
inline float mix(float a, float b, float t)
{
    return a + (b - a) * t;
}
inline Vec3 mix(Vec3 a, Vec3 b, float t)
{
    return a + (b - a) * t;
}
inline float smoothstep(float e0, float e1, float v)
{
    float t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
inline Vec3 rgb(int r, int g, int b)
{
    // Colours are written as sRGB bytes for readability and shaded in linear light.
    auto lin = [](int c) { return std::pow(c / 255.0f, 2.2f); };
    return {lin(r), lin(g), lin(b)};
}

// Integer hash of a lattice point, mixed well enough that neighbouring cells and seeds
// look unrelated.
inline std::uint32_t hash_mix(std::uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

inline std::uint32_t hash3(int x, int y, std::uint32_t seed)
{
    return hash_mix(seed * 0x9E3779B9u ^ static_cast<std::uint32_t>(x) * 0x85EBCA6Bu ^
                    static_cast<std::uint32_t>(y) * 0xC2B2AE35u);
}

// Uniform in [0, 1).
inline float hash01(int x, int y, std::uint32_t seed)
{
    return (hash3(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// Value noise in [-1, 1] with its two partial derivatives (quintic fade, so the
// derivatives are continuous and shading from them shows no grid).
struct NoiseSample {
    float value, dx, dy;
};
NoiseSample value_noise_d(float x, float y, std::uint32_t seed);
float value_noise(float x, float y, std::uint32_t seed);

// Fractal sum of `octaves` layers of value noise, each twice as fine and `gain` as strong;
// the layers are rotated against each other so that no axis-aligned grain shows.
float fbm(Vec2 p, int octaves, std::uint32_t seed, float gain = 0.5f);
// Like fbm but of 1 - |noise|: sharp crests, for ridges, veins and cracks.
float ridged(Vec2 p, int octaves, std::uint32_t seed);

// Distances to the nearest and second-nearest jittered cell centre and the nearest
// cell's id: stones, crackle and cells.
struct CellSample {
    float f1, f2;
    std::uint32_t id;
    Vec2 centre;
};
CellSample cells(Vec2 p, std::uint32_t seed, float jitter = 0.9f);
