// Logos and extra pictures (see emblems.h). Shapes are signed distances, antialiased over
// about one pixel; lettering is FreeType's coverage, grown and blurred for outlines and glow.
#include "emblems.h"

#include "field.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

// A coverage mask in [0, 1].
struct Mask {
    int width = 0, height = 0;
    std::vector<float> v;
    float at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0.0f;
        return v[static_cast<size_t>(y) * width + x];
    }
};

Mask empty_mask(int w, int h)
{
    return Mask{w, h, std::vector<float>(static_cast<size_t>(w) * h, 0.0f)};
}

// Straight-alpha RGBA in float, composed front to back with `over`.
struct Paint {
    int width = 0, height = 0;
    std::vector<float> rgba;
};

Paint empty_paint(int w, int h)
{
    return Paint{w, h, std::vector<float>(static_cast<size_t>(w) * h * 4, 0.0f)};
}

void over(Paint& p, int x, int y, Vec3 colour, float alpha)
{
    if (alpha <= 0.0f)
        return;
    float* d = &p.rgba[(static_cast<size_t>(y) * p.width + x) * 4];
    float a = alpha + d[3] * (1.0f - alpha);
    float k = a > 0.0f ? 1.0f / a : 0.0f;
    d[0] = (colour.x * alpha + d[0] * d[3] * (1.0f - alpha)) * k;
    d[1] = (colour.y * alpha + d[1] * d[3] * (1.0f - alpha)) * k;
    d[2] = (colour.z * alpha + d[2] * d[3] * (1.0f - alpha)) * k;
    d[3] = a;
}

// Colours here are display values in [0, 1] (no light is simulated).
Vec3 srgb(int r, int g, int b)
{
    return {r / 255.0f, g / 255.0f, b / 255.0f};
}

PixelBuffer to_pixels(const Paint& p, bool binary_alpha)
{
    PixelBuffer out{p.width, p.height, 4, Bytes(static_cast<size_t>(p.width) * p.height * 4)};
    for (size_t i = 0; i < static_cast<size_t>(p.width) * p.height; ++i) {
        float a = p.rgba[i * 4 + 3];
        if (binary_alpha)
            a = a >= 0.5f ? 1.0f : 0.0f;
        std::uint8_t a8 = static_cast<std::uint8_t>(std::lround(clamp01(a) * 255.0f));
        for (int c = 0; c < 3; ++c) {
            out.pixels[i * 4 + c] =
                a8 == 0
                    ? 0
                    : static_cast<std::uint8_t>(std::lround(clamp01(p.rgba[i * 4 + c]) * 255.0f));
        }
        out.pixels[i * 4 + 3] = a8;
    }
    return out;
}

// Coverage of a shape given its signed distance in pixels (negative inside).
float cover(float distance)
{
    return clamp01(0.5f - distance);
}

struct Font {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    Font(const std::string& path)
    {
        if (FT_Init_FreeType(&library) || FT_New_Face(library, path.c_str(), 0, &face)) {
            throw std::runtime_error("cannot load font " + path);
        }
    }
    ~Font()
    {
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
};

// Renders `text` at `pixel_size` with its ink box centred on (cx, cy); `tracking` adds
// pixels between letters.
Mask text_mask(const std::string& font_path, const std::string& text, int pixel_size, int w, int h,
               float cx, float cy, float tracking = 0.0f)
{
    Font font(font_path);
    FT_Set_Pixel_Sizes(font.face, 0, pixel_size);
    struct Placed {
        std::vector<unsigned char> bits;
        int w, h, left, top;
        float pen;
    };
    std::vector<Placed> glyphs;
    float pen = 0.0f;
    int ink_left = 1 << 20, ink_right = -(1 << 20), ink_top = -(1 << 20), ink_bottom = 1 << 20;
    FT_UInt previous = 0;
    for (char ch : text) {
        FT_UInt gi = FT_Get_Char_Index(font.face, static_cast<unsigned char>(ch));
        if (previous && FT_HAS_KERNING(font.face)) {
            FT_Vector k;
            FT_Get_Kerning(font.face, previous, gi, FT_KERNING_DEFAULT, &k);
            pen += k.x / 64.0f;
        }
        if (FT_Load_Glyph(font.face, gi, FT_LOAD_RENDER)) {
            throw std::runtime_error("cannot render a glyph");
        }
        FT_GlyphSlot g = font.face->glyph;
        Placed p{std::vector<unsigned char>(g->bitmap.buffer,
                                            g->bitmap.buffer + g->bitmap.rows * g->bitmap.pitch),
                 static_cast<int>(g->bitmap.width),
                 static_cast<int>(g->bitmap.rows),
                 g->bitmap_left,
                 g->bitmap_top,
                 pen};
        if (g->bitmap.pitch != static_cast<int>(g->bitmap.width)) {
            // Repack rows without padding.
            std::vector<unsigned char> packed(static_cast<size_t>(p.w) * p.h);
            for (int y = 0; y < p.h; ++y) {
                std::copy_n(g->bitmap.buffer + y * g->bitmap.pitch, p.w,
                            packed.begin() + static_cast<size_t>(y) * p.w);
            }
            p.bits = std::move(packed);
        }
        if (p.w > 0) {
            ink_left = std::min(ink_left, static_cast<int>(std::floor(pen)) + p.left);
            ink_right = std::max(ink_right, static_cast<int>(std::floor(pen)) + p.left + p.w);
            ink_top = std::max(ink_top, p.top);
            ink_bottom = std::min(ink_bottom, p.top - p.h);
        }
        glyphs.push_back(std::move(p));
        pen += g->advance.x / 64.0f + tracking;
        previous = gi;
    }
    Mask m = empty_mask(w, h);
    int ox = static_cast<int>(std::lround(cx - (ink_left + ink_right) * 0.5f));
    int baseline = static_cast<int>(std::lround(cy + (ink_top + ink_bottom) * 0.5f));
    for (const auto& g : glyphs) {
        int gx = ox + static_cast<int>(std::floor(g.pen)) + g.left, gy = baseline - g.top;
        for (int y = 0; y < g.h; ++y) {
            for (int x = 0; x < g.w; ++x) {
                int px = gx + x, py = gy + y;
                if (px < 0 || py < 0 || px >= w || py >= h)
                    continue;
                float& d = m.v[static_cast<size_t>(py) * w + px];
                d = std::max(d, g.bits[static_cast<size_t>(y) * g.w + x] / 255.0f);
            }
        }
    }
    return m;
}

// Grows a mask by `radius` pixels (round pen), keeping its soft edge.
Mask grow(const Mask& m, float radius)
{
    Mask out = empty_mask(m.width, m.height);
    int r = static_cast<int>(std::ceil(radius));
    std::vector<std::pair<int, int>> pen;
    std::vector<float> weight;
    for (int dy = -r; dy <= r; ++dy) {
        for (int dx = -r; dx <= r; ++dx) {
            float d = std::sqrt(static_cast<float>(dx * dx + dy * dy));
            if (d <= radius + 0.5f) {
                pen.push_back({dx, dy});
                weight.push_back(clamp01(radius + 0.5f - d));
            }
        }
    }
    for (int y = 0; y < m.height; ++y) {
        for (int x = 0; x < m.width; ++x) {
            float best = 0.0f;
            for (size_t k = 0; k < pen.size() && best < 1.0f; ++k) {
                best = std::max(best, m.at(x + pen[k].first, y + pen[k].second) * weight[k]);
            }
            out.v[static_cast<size_t>(y) * m.width + x] = best;
        }
    }
    return out;
}

Mask blur(const Mask& m, int radius)
{
    Mask a = m, b = empty_mask(m.width, m.height);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < m.height; ++y) {
            for (int x = 0; x < m.width; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k)
                    s += a.at(x + k, y);
                b.v[static_cast<size_t>(y) * m.width + x] = s / (2 * radius + 1);
            }
        }
        for (int y = 0; y < m.height; ++y) {
            for (int x = 0; x < m.width; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k)
                    s += b.at(x, y + k);
                a.v[static_cast<size_t>(y) * m.width + x] = s / (2 * radius + 1);
            }
        }
    }
    return a;
}

std::string font(const std::string& dir, const char* name)
{
    return dir + "/" + name;
}

// ---------------------------------------------------------------- the title

PixelBuffer title_logo(const std::string& font_dir)
{
    const int kSize = 512;
    Mask letters = text_mask(font(font_dir, "DejaVuSans-Bold.ttf"), "Corvanel", 84, kSize, kSize,
                             256, 250, 1.0f);
    Mask outline = grow(letters, 5.0f);
    Mask glow = blur(grow(letters, 10.0f), 7);
    // The band under the letters: a bar that thins toward both ends, with a beat dot.
    Mask bar = empty_mask(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float u = (x - 256.0f) / 215.0f;
            float half = 3.2f * (1.0f - u * u);
            float d = std::fabs(y - 312.0f) - half;
            float bar_cover = std::fabs(u) < 1.0f ? cover(d) : 0.0f;
            float dot_cover = cover(length(Vec2{x - 256.0f, y - 312.0f}) - 9.0f);
            bar.v[static_cast<size_t>(y) * kSize + x] = std::max(bar_cover, dot_cover);
        }
    }
    Mask bar_outline = grow(bar, 3.0f);
    Mask bar_glow = blur(grow(bar, 7.0f), 6);

    Paint p = empty_paint(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            size_t i = static_cast<size_t>(y) * kSize + x;
            over(p, x, y, srgb(8, 6, 20), 0.8f * std::max(glow.v[i], bar_glow.v[i]));
            over(p, x, y, srgb(20, 14, 40), std::max(outline.v[i], bar_outline.v[i]));
            // Fill: a warm metal gradient from pale gold at the top to ember orange below,
            // with a cool rim at the very bottom that catches the photo colours.
            float t = clamp01((y - 205.0f) / 90.0f);
            Vec3 fill = t < 0.5f ? mix(srgb(255, 250, 220), srgb(255, 200, 70), t * 2.0f)
                                 : mix(srgb(255, 200, 70), srgb(235, 80, 40), (t - 0.5f) * 2.0f);
            // Bevel: lighter where the letter's edge faces up-left.
            float bevel = letters.at(x - 1, y - 1) - letters.at(x + 1, y + 1);
            fill = fill + Vec3{1, 1, 1} * (0.25f * std::max(0.0f, -bevel));
            fill = fill * (1.0f - 0.25f * std::max(0.0f, bevel));
            over(p, x, y, fill, letters.v[i]);
            Vec3 bar_fill = mix(srgb(120, 230, 255), srgb(255, 255, 255),
                                cover(length(Vec2{x - 256.0f, y - 312.0f}) - 6.0f));
            over(p, x, y, bar_fill, bar.v[i]);
        }
    }
    return to_pixels(p, false);
}

// ---------------------------------------------------------------- the emblem

PixelBuffer emblem(const std::string& font_dir)
{
    const int kSize = 256;
    const float c = 128.0f;
    Mask letter = text_mask(font(font_dir, "DejaVuSerif-Bold.ttf"), "C", 120, kSize, kSize, c, c);
    Mask letter_outline = grow(letter, 4.0f);
    Paint p = empty_paint(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Vec2 d{x + 0.5f - c, y + 0.5f - c};
            float r = length(d);
            float ang = std::atan2(d.y, d.x);
            // Eight beat marks around the ring; the one at the top is larger and bright, so
            // that the turn reads at a glance.
            float sector = ang / (2.0f * kPi) * 8.0f + 2.0f;  // mark 0 points up
            float nearest = std::round(sector);
            float off = (sector - nearest) * (2.0f * kPi / 8.0f) * r;  // arc distance in pixels
            bool lead = static_cast<int>(std::lround(nearest)) % 8 == 0;
            // The lead mark's tip plus its dark rim stays a few pixels inside the 128-pixel radius.
            float tip_out = lead ? 121.0f : 116.0f;
            float tri =
                std::max(std::fabs(off) - (tip_out - r) * (lead ? 0.55f : 0.4f), r - tip_out);
            tri = std::max(tri, 96.0f - r);
            float ring = std::fabs(r - 98.0f) - 8.0f;
            float disc = r - 88.0f;
            float shape = std::min(ring, tri);
            float inner_rim = std::fabs(r - 82.0f) - 1.5f;
            over(p, x, y, srgb(10, 8, 24), cover(std::min(shape, disc) - 3.5f));
            over(p, x, y, srgb(22, 24, 60), 0.9f * cover(disc));
            float t = clamp01((d.y + 110.0f) / 220.0f);
            Vec3 metal = mix(srgb(160, 240, 255), srgb(40, 120, 230), t);
            if (lead)
                metal = mix(metal, srgb(255, 210, 90), clamp01((r - 104.0f) / 6.0f));
            over(p, x, y, metal, cover(shape));
            over(p, x, y, srgb(120, 200, 255), 0.8f * cover(inner_rim));
            size_t i = static_cast<size_t>(y) * kSize + x;
            over(p, x, y, srgb(10, 8, 24), letter_outline.v[i]);
            Vec3 gold = mix(srgb(255, 245, 200), srgb(240, 140, 40), clamp01((y - 70.0f) / 120.0f));
            over(p, x, y, gold, letter.v[i]);
        }
    }
    return to_pixels(p, false);
}

// ---------------------------------------------------------------- extras

// A starburst badge announcing the tempo; hard-edged, for one transparent palette entry.
PixelBuffer tempo_badge(const std::string& font_dir)
{
    const int kSize = 256;
    Mask digits =
        text_mask(font(font_dir, "DejaVuSans-Bold.ttf"), "180", 64, kSize, kSize, 128, 115);
    Mask bpm =
        text_mask(font(font_dir, "DejaVuSans-Bold.ttf"), "BPM", 28, kSize, kSize, 128, 165, 3.0f);
    Paint p = empty_paint(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Vec2 d{x + 0.5f - 128.0f, y + 0.5f - 128.0f};
            float r = length(d), a = std::atan2(d.y, d.x);
            float star = r - (104.0f + 18.0f * std::cos(a * 16.0f));
            size_t i = static_cast<size_t>(y) * kSize + x;
            over(p, x, y, srgb(25, 10, 40), cover(star));
            over(p, x, y, mix(srgb(255, 90, 120), srgb(255, 180, 60), clamp01(y / 256.0f)),
                 cover(star + 5.0f));
            over(p, x, y, srgb(255, 255, 240), digits.v[i]);
            over(p, x, y, srgb(25, 10, 40), bpm.v[i]);
        }
    }
    return to_pixels(p, true);
}

// The tunnel of photo tiles seen head-on: glowing seams between the tiles, fading with depth
// and clear everywhere else.
PixelBuffer tunnel_glow()
{
    const int kSize = 1024;
    const float kDeepest = 9.0f;  // tiles; the pattern repeats after nine rows
    Paint p = empty_paint(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float u = (x + 0.5f - 512.0f) / 512.0f, v = (y + 0.5f - 512.0f) / 512.0f;
            // Distance down the tunnel of the wall point seen here: the square cross-section.
            float m = std::max(std::fabs(u), std::fabs(v));
            float depth = 1.0f / std::max(m, 1e-3f);
            if (depth > kDeepest)
                continue;
            float across = (std::fabs(u) > std::fabs(v) ? v : u) / m * 2.0f;  // -2..2 across a wall
            float fz = depth - std::floor(depth), fx = across - std::floor(across);
            // Screen pixels per unit of depth and of width at this depth.
            float px_depth = 512.0f * m * m, px_across = 256.0f * m;
            float seam =
                std::min(std::min(fz, 1.0f - fz) * px_depth, std::min(fx, 1.0f - fx) * px_across);
            float fade = 1.0f - smoothstep(2.0f, kDeepest, depth);
            float row = std::floor(depth);
            Vec3 colour = mix(srgb(255, 90, 190), srgb(80, 220, 255), clamp01(row / 8.0f));
            float glow = std::exp(-seam / 5.0f) * 0.55f;
            over(p, x, y, colour, glow * fade);
            over(p, x, y, mix(colour, srgb(255, 255, 255), 0.6f), cover(seam - 1.0f) * fade);
        }
    }
    return to_pixels(p, false);
}

// A soft spark: the flash of a beat, with four rays.
PixelBuffer beat_spark()
{
    const int kSize = 256;
    Paint p = empty_paint(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Vec2 d{(x + 0.5f - 128.0f) / 128.0f, (y + 0.5f - 128.0f) / 128.0f};
            float r = length(d);
            float halo = std::exp(-r * r * 9.0f);
            float core = std::exp(-r * r * 120.0f);
            float rays = std::exp(-std::fabs(d.x) * 90.0f) * std::exp(-std::fabs(d.y) * 3.5f) +
                         std::exp(-std::fabs(d.y) * 90.0f) * std::exp(-std::fabs(d.x) * 3.5f);
            float ring = std::exp(-std::pow((r - 0.62f) * 30.0f, 2.0f)) * 0.35f;
            float a = clamp01(halo * 0.7f + core + rays * 0.8f + ring) * smoothstep(1.0f, 0.9f, r);
            Vec3 colour = mix(srgb(255, 170, 90), srgb(255, 255, 255), clamp01(core * 2.0f + rays));
            colour = mix(colour, srgb(150, 200, 255), ring * 2.0f * (1.0f - core));
            over(p, x, y, colour, a);
        }
    }
    return to_pixels(p, false);
}

// A strip of film with sprocket holes framing an empty window: the photos' frame.
PixelBuffer film_frame(const std::string& font_dir)
{
    const int kSize = 512;
    Mask label = text_mask(font(font_dir, "DejaVuSansMono-Bold.ttf"), "CORVANEL 36", 18, kSize,
                           kSize, 256, 492, 2.0f);
    Paint p = empty_paint(kSize, kSize);
    auto box = [](Vec2 q, Vec2 half, float radius) {
        Vec2 d{std::fabs(q.x) - half.x + radius, std::fabs(q.y) - half.y + radius};
        Vec2 o{std::max(d.x, 0.0f), std::max(d.y, 0.0f)};
        return length(o) + std::min(std::max(d.x, d.y), 0.0f) - radius;
    };
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Vec2 q{x + 0.5f - 256.0f, y + 0.5f - 256.0f};
            float strip = box(q, {256.0f, 256.0f}, 0.0f);
            float window = box(q, {200.0f, 200.0f}, 14.0f);
            // Holes run down both sides.
            float hy = std::fmod(q.y + 256.0f, 32.0f) - 16.0f;
            float holes = std::min(box({std::fabs(q.x) - 228.0f, hy}, {9.0f, 7.0f}, 2.5f), 1e9f);
            float film = std::max(std::max(strip, -window), -holes);
            float grain = value_noise(x * 0.8f, y * 0.8f, 71) * 0.04f;
            Vec3 base = mix(srgb(40, 22, 12), srgb(70, 40, 20),
                            clamp01(0.5f + (y - 256.0f) / 700.0f + grain));
            over(p, x, y, base, cover(film));
            over(p, x, y, srgb(240, 170, 80),
                 label.v[static_cast<size_t>(y) * kSize + x] * cover(film));
        }
    }
    return to_pixels(p, true);
}

}  // namespace

std::string default_font_dir()
{
    return "/usr/share/fonts/truetype/dejavu";
}

PixelBuffer draw_title_logo(const std::string& font_dir)
{
    return title_logo(font_dir);
}
PixelBuffer draw_emblem(const std::string& font_dir)
{
    return emblem(font_dir);
}

PixelBuffer draw_extra(int index, const std::string& font_dir)
{
    switch (index) {
        case 0:
            return tempo_badge(font_dir);
        case 1:
            return tunnel_glow();
        case 2:
            return beat_spark();
        case 3:
            return film_frame(font_dir);
    }
    throw std::out_of_range("no such extra picture");
}

Bytes spinning_logo_file(const std::string& font_dir)
{
    return encode_png_indexed(reduce_to_palette(draw_emblem(font_dir)));
}

Bytes pulsing_logo_file(const std::string& font_dir)
{
    return encode_png_rgba(draw_title_logo(font_dir));
}

Bytes extra_file(int index, const std::string& font_dir)
{
    PixelBuffer rgba = draw_extra(index, font_dir);
    if (index == 2) {
        return encode_png_rgba(rgba);
    }
    return encode_png_indexed(reduce_to_palette(rgba));
}
