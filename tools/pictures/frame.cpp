// Rendering and finishing of photographs (see frame.h).
#include "frame.h"

#include <algorithm>
#include <thread>

namespace {

float luminance(Vec3 c)
{
    return 0.2126f * c.x + 0.7152f * c.y + 0.0722f * c.z;
}

template <typename RowFn>
void for_rows(int height, int threads, RowFn row_fn)
{
    threads = std::max(1, threads);
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) {
        workers.emplace_back([=] {
            for (int y = t; y < height; y += threads) {
                row_fn(y);
            }
        });
    }
    for (int y = 0; y < height; y += threads) {
        row_fn(y);
    }
    for (auto& w : workers) {
        w.join();
    }
}

// Perceptual brightness for the edge test: highlights would otherwise dominate.
float tone(Vec3 c)
{
    return std::sqrt(std::max(0.0f, luminance(c)));
}

}  // namespace

Frame render_frame(int width, int height, const Shader& shade, int threads, float edge_threshold)
{
    Frame f;
    f.width = width;
    f.height = height;
    f.linear.assign(static_cast<size_t>(width) * height, Vec3{0, 0, 0});
    for_rows(height, threads, [&](int y) {
        for (int x = 0; x < width; ++x) {
            f.linear[static_cast<size_t>(y) * width + x] = shade(x + 0.5f, y + 0.5f);
        }
    });
    if (edge_threshold <= 0.0f) {
        return f;
    }
    std::vector<char> edge(f.linear.size(), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float c = tone(f.linear[static_cast<size_t>(y) * width + x]);
            float worst = 0.0f;
            if (x + 1 < width)
                worst = std::max(
                    worst, std::fabs(c - tone(f.linear[static_cast<size_t>(y) * width + x + 1])));
            if (y + 1 < height)
                worst = std::max(
                    worst, std::fabs(c - tone(f.linear[static_cast<size_t>(y + 1) * width + x])));
            if (worst > edge_threshold) {
                edge[static_cast<size_t>(y) * width + x] = 1;
                if (x + 1 < width)
                    edge[static_cast<size_t>(y) * width + x + 1] = 1;
                if (y + 1 < height)
                    edge[static_cast<size_t>(y + 1) * width + x] = 1;
            }
        }
    }
    // Rotated-grid offsets: with the centre sample, four samples that never line up with
    // horizontal or vertical edges.
    static const float kOffsets[3][2] = {{-0.375f, -0.125f}, {0.125f, -0.375f}, {0.375f, 0.125f}};
    for_rows(height, threads, [&](int y) {
        for (int x = 0; x < width; ++x) {
            size_t i = static_cast<size_t>(y) * width + x;
            if (!edge[i])
                continue;
            Vec3 sum = f.linear[i];
            for (const auto& o : kOffsets) {
                sum += shade(x + 0.5f + o[0], y + 0.5f + o[1]);
            }
            f.linear[i] = sum * 0.25f;
        }
    });
    return f;
}

PixelBuffer finish_frame(const Frame& frame, const Finish& finish)
{
    PixelBuffer out;
    out.width = frame.width;
    out.height = frame.height;
    out.channels = 3;
    out.pixels.resize(static_cast<size_t>(frame.width) * frame.height * 3);
    float cx = frame.width * 0.5f, cy = frame.height * 0.5f;
    float inv_r2 = 1.0f / (cx * cx + cy * cy);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            Vec3 c = frame.linear[static_cast<size_t>(y) * frame.width + x] * finish.exposure;
            float r2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) * inv_r2;
            c = c * (1.0f - finish.vignette * r2 * r2 * 0.5f - finish.vignette * r2 * 0.5f);
            float l = luminance(c);
            c = Vec3{l, l, l} + (c - Vec3{l, l, l}) * finish.saturation;
            // A soft-shouldered filmic curve: highlights roll off instead of clipping.
            auto curve = [](float v) {
                v = std::max(0.0f, v);
                float a = v * (2.51f * v + 0.03f), b = v * (2.43f * v + 0.59f) + 0.14f;
                return std::pow(clamp01(a / b), 1.0f / 2.2f);
            };
            float grain =
                finish.grain * (hash01(x, y, finish.seed) + hash01(x, y, finish.seed + 7) - 1.0f);
            float chans[3] = {c.x, c.y, c.z};
            for (int k = 0; k < 3; ++k) {
                float v = curve(chans[k]) + grain;
                out.pixels[(static_cast<size_t>(y) * frame.width + x) * 3 + k] =
                    static_cast<std::uint8_t>(std::lround(clamp01(v) * 255.0f));
            }
        }
    }
    return out;
}

void defocus(Frame& frame, float radius, const std::function<float(float x, float y)>& amount)
{
    int w = frame.width, h = frame.height;
    int r = std::max(1, static_cast<int>(radius));
    std::vector<Vec3> a = frame.linear, b(a.size());
    // Three box passes approximate a Gaussian.
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                Vec3 s{0, 0, 0};
                for (int k = -r; k <= r; ++k) {
                    s += a[static_cast<size_t>(y) * w + std::clamp(x + k, 0, w - 1)];
                }
                b[static_cast<size_t>(y) * w + x] = s * (1.0f / (2 * r + 1));
            }
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                Vec3 s{0, 0, 0};
                for (int k = -r; k <= r; ++k) {
                    s += b[static_cast<size_t>(std::clamp(y + k, 0, h - 1)) * w + x];
                }
                a[static_cast<size_t>(y) * w + x] = s * (1.0f / (2 * r + 1));
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            size_t i = static_cast<size_t>(y) * w + x;
            frame.linear[i] = mix(frame.linear[i], a[i], clamp01(amount(x + 0.5f, y + 0.5f)));
        }
    }
}
