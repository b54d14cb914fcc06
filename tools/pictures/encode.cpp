// Encoders and palette reduction (see encode.h).
#include "encode.h"

#include <jpeglib.h>  // jpeg_simple_progression, jpeg_mem_dest
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <unordered_map>

Bytes encode_jpeg(const PixelBuffer& rgb, const JpegOptions& options)
{
    if (rgb.channels != 3 || rgb.pixels.size() != static_cast<size_t>(rgb.width) * rgb.height * 3) {
        throw std::invalid_argument("encode_jpeg needs an RGB buffer");
    }
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    jpeg_mem_dest(&cinfo, &out, &out_size);
    cinfo.image_width = rgb.width;
    cinfo.image_height = rgb.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    cinfo.optimize_coding = TRUE;
    if (options.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            &rgb.pixels[static_cast<size_t>(cinfo.next_scanline) * rgb.width * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes bytes(out, out + out_size);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

namespace {

void append_to_bytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* bytes = static_cast<Bytes*>(png_get_io_ptr(png));
    bytes->insert(bytes->end(), data, data + length);
}

// Runs libpng's writer over `rows`; `describe` sets the header chunks.
template <typename Describe>
Bytes write_png(int height, const std::vector<const std::uint8_t*>& rows, Describe describe)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Bytes bytes;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng failed to encode");
    }
    png_set_write_fn(png, &bytes, append_to_bytes, nullptr);
    png_set_compression_level(png, 9);
    describe(png, info);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(rows[y]));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

}  // namespace

Bytes encode_png_rgba(const PixelBuffer& rgba)
{
    if (rgba.channels != 4 ||
        rgba.pixels.size() != static_cast<size_t>(rgba.width) * rgba.height * 4) {
        throw std::invalid_argument("encode_png_rgba needs an RGBA buffer");
    }
    std::vector<const std::uint8_t*> rows(rgba.height);
    for (int y = 0; y < rgba.height; ++y) {
        rows[y] = &rgba.pixels[static_cast<size_t>(y) * rgba.width * 4];
    }
    return write_png(rgba.height, rows, [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, rgba.width, rgba.height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    });
}

Bytes encode_png_indexed(const IndexedPicture& picture)
{
    size_t n = picture.palette.size();
    if (n == 0 || n > 256 ||
        picture.indices.size() != static_cast<size_t>(picture.width) * picture.height) {
        throw std::invalid_argument(
            "encode_png_indexed needs 1 to 256 entries and one index a pixel");
    }
    // Translucent entries first, then the opaque ones, keeping their relative order.
    std::vector<int> order(n);
    for (size_t i = 0; i < n; ++i) {
        order[i] = static_cast<int>(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return (picture.palette[a][3] < 255) > (picture.palette[b][3] < 255);
    });
    std::vector<std::uint8_t> remap(n);
    std::vector<png_color> colours(n);
    std::vector<png_byte> alphas;
    for (size_t i = 0; i < n; ++i) {
        const auto& e = picture.palette[order[i]];
        remap[order[i]] = static_cast<std::uint8_t>(i);
        colours[i] = {e[0], e[1], e[2]};
        if (e[3] < 255) {
            alphas.push_back(e[3]);
        }
    }
    Bytes indices(picture.indices.size());
    for (size_t i = 0; i < indices.size(); ++i) {
        indices[i] = remap.at(picture.indices[i]);
    }
    std::vector<const std::uint8_t*> rows(picture.height);
    for (int y = 0; y < picture.height; ++y) {
        rows[y] = &indices[static_cast<size_t>(y) * picture.width];
    }
    return write_png(picture.height, rows, [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_PALETTE,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_PLTE(png, info, colours.data(), static_cast<int>(n));
        if (!alphas.empty()) {
            png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
        }
    });
}

namespace {

struct Swatch {
    std::array<std::uint8_t, 4> colour;
    std::uint32_t count;
};

// Alpha differences weigh double: a wrong edge opacity shows more than a wrong shade.
int channel_weight(int c)
{
    return c == 3 ? 2 : 1;
}

struct Box {
    std::vector<Swatch> swatches;
    int widest_channel = 0;
    int spread = 0;

    void measure()
    {
        spread = -1;
        for (int c = 0; c < 4; ++c) {
            int lo = 255, hi = 0;
            for (const auto& s : swatches) {
                lo = std::min<int>(lo, s.colour[c]);
                hi = std::max<int>(hi, s.colour[c]);
            }
            int weighted = (hi - lo) * channel_weight(c);
            if (weighted > spread) {
                spread = weighted;
                widest_channel = c;
            }
        }
    }

    std::array<std::uint8_t, 4> mean() const
    {
        double sum[4] = {0, 0, 0, 0}, total = 0;
        for (const auto& s : swatches) {
            for (int c = 0; c < 4; ++c) {
                sum[c] += static_cast<double>(s.colour[c]) * s.count;
            }
            total += s.count;
        }
        std::array<std::uint8_t, 4> m;
        for (int c = 0; c < 4; ++c) {
            m[c] = static_cast<std::uint8_t>(sum[c] / total + 0.5);
        }
        return m;
    }
};

int distance(const std::array<std::uint8_t, 4>& a, const std::uint8_t* b)
{
    int d = 0;
    for (int c = 0; c < 4; ++c) {
        int e = (static_cast<int>(a[c]) - static_cast<int>(b[c])) * channel_weight(c);
        d += e * e;
    }
    return d;
}

}  // namespace

IndexedPicture reduce_to_palette(const PixelBuffer& rgba, int max_colours)
{
    if (rgba.channels != 4 || max_colours < 2 || max_colours > 256) {
        throw std::invalid_argument("reduce_to_palette needs RGBA and 2 to 256 colours");
    }
    size_t count = static_cast<size_t>(rgba.width) * rgba.height;
    std::unordered_map<std::uint32_t, std::uint32_t> histogram;
    bool any_clear = false;
    for (size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &rgba.pixels[i * 4];
        if (p[3] == 0) {
            any_clear = true;
            continue;
        }
        ++histogram[p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24];
    }
    // Solid and translucent colours never share an entry: an averaged alpha would make the
    // inside of a shape slightly see-through.
    std::vector<Box> boxes(2);
    for (const auto& [key, n] : histogram) {
        std::uint8_t alpha = static_cast<std::uint8_t>(key >> 24);
        boxes[alpha == 255 ? 0 : 1].swatches.push_back(
            {{static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(key >> 8),
              static_cast<std::uint8_t>(key >> 16), alpha},
             n});
    }
    boxes.erase(
        std::remove_if(boxes.begin(), boxes.end(), [](const Box& b) { return b.swatches.empty(); }),
        boxes.end());
    for (auto& b : boxes) {
        b.measure();
    }
    int room = max_colours - (any_clear ? 1 : 0);
    while (!boxes.empty() && static_cast<int>(boxes.size()) < room) {
        auto widest = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
            return a.spread < b.spread;
        });
        if (widest->spread <= 0 || widest->swatches.size() < 2) {
            break;
        }
        int c = widest->widest_channel;
        auto& s = widest->swatches;
        std::sort(s.begin(), s.end(),
                  [c](const Swatch& a, const Swatch& b) { return a.colour[c] < b.colour[c]; });
        // Split where half of the pixels (not half of the colours) fall on each side.
        std::uint64_t total = 0, run = 0;
        for (const auto& w : s) {
            total += w.count;
        }
        size_t cut = 1;
        for (; cut < s.size() - 1; ++cut) {
            run += s[cut - 1].count;
            if (run * 2 >= total) {
                break;
            }
        }
        Box upper;
        upper.swatches.assign(s.begin() + cut, s.end());
        s.resize(cut);
        widest->measure();
        upper.measure();
        boxes.push_back(std::move(upper));
    }

    IndexedPicture out;
    out.width = rgba.width;
    out.height = rgba.height;
    if (any_clear || boxes.empty()) {
        out.palette.push_back({0, 0, 0, 0});
    }
    size_t first_colour = out.palette.size();
    for (const auto& b : boxes) {
        if (!b.swatches.empty()) {
            out.palette.push_back(b.mean());
        }
    }
    out.indices.resize(count);
    std::unordered_map<std::uint32_t, std::uint8_t> nearest;
    for (size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = &rgba.pixels[i * 4];
        if (p[3] == 0) {
            out.indices[i] = 0;
            continue;
        }
        std::uint32_t key = p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
        auto found = nearest.find(key);
        if (found == nearest.end()) {
            size_t best = first_colour;
            int best_d = 1 << 30;
            for (size_t e = first_colour; e < out.palette.size(); ++e) {
                if ((out.palette[e][3] == 255) != (p[3] == 255)) {
                    continue;
                }
                int d = distance(out.palette[e], p);
                if (d < best_d) {
                    best_d = d;
                    best = e;
                }
            }
            found = nearest.emplace(key, static_cast<std::uint8_t>(best)).first;
        }
        out.indices[i] = found->second;
    }
    return out;
}

void write_file(const std::string& path, const Bytes& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        throw std::runtime_error("cannot write " + path);
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        throw std::runtime_error("short write to " + path);
    }
}
