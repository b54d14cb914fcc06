// The encoders and the palette reduction, read back through libjpeg and libpng.
#include "encode.h"
#include "decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

namespace {

PixelBuffer gradient_rgb(int w, int h)
{
    PixelBuffer p{w, h, 3, Bytes(static_cast<size_t>(w) * h * 3)};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t* px = &p.pixels[(static_cast<size_t>(y) * w + x) * 3];
            px[0] = static_cast<std::uint8_t>(x * 255 / (w - 1));
            px[1] = static_cast<std::uint8_t>(y * 255 / (h - 1));
            px[2] = static_cast<std::uint8_t>(128 + 100 * std::sin(x * 0.05) * std::cos(y * 0.07));
        }
    }
    return p;
}

// A disc of smooth colours on a clear background, with or without a soft edge.
PixelBuffer disc_rgba(int size, bool soft_edge)
{
    PixelBuffer p{size, size, 4, Bytes(static_cast<size_t>(size) * size * 4)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float d = std::hypot(x - size / 2.0f, y - size / 2.0f) - size * 0.35f;
            float a =
                soft_edge ? std::max(0.0f, std::min(1.0f, 0.5f - d / 6.0f)) : (d < 0 ? 1.0f : 0.0f);
            std::uint8_t* px = &p.pixels[(static_cast<size_t>(y) * size + x) * 4];
            std::uint8_t a8 = static_cast<std::uint8_t>(std::lround(a * 255));
            px[0] = a8 ? static_cast<std::uint8_t>(x * 255 / size) : 0;
            px[1] = a8 ? static_cast<std::uint8_t>(y * 255 / size) : 0;
            px[2] = a8 ? 200 : 0;
            px[3] = a8;
        }
    }
    return p;
}

double mean_abs_difference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
    return sum / a.size();
}

}  // namespace

TEST(JpegEncoding, BaselineAndProgressiveDecodeToTheSamePicture)
{
    PixelBuffer p = gradient_rgb(123, 77);  // sizes that are not multiples of the 8-pixel blocks
    JpegOptions baseline, progressive;
    progressive.progressive = true;
    DecodedJpeg b = decode_jpeg(encode_jpeg(p, baseline));
    DecodedJpeg q = decode_jpeg(encode_jpeg(p, progressive));
    EXPECT_FALSE(b.progressive);
    EXPECT_TRUE(q.progressive);
    for (const DecodedJpeg* d : {&b, &q}) {
        EXPECT_EQ(d->width, 123);
        EXPECT_EQ(d->height, 77);
        EXPECT_LT(mean_abs_difference(d->rgb, p.pixels), 2.5)
            << "quality 90 keeps smooth colours close";
        EXPECT_TRUE(d->after_end.empty());
    }
}

TEST(JpegEncoding, RejectsBuffersOfTheWrongShape)
{
    PixelBuffer p = gradient_rgb(16, 16);
    p.pixels.pop_back();
    EXPECT_THROW(encode_jpeg(p, {}), std::invalid_argument);
}

TEST(PaletteReduction, HardEdgedPictureHasExactlyOneTransparentEntry)
{
    PixelBuffer p = disc_rgba(96, false);
    IndexedPicture ip = reduce_to_palette(p);
    DecodedPng d = decode_png(encode_png_indexed(ip));
    ASSERT_EQ(d.colour_type, 3);  // palette
    ASSERT_EQ(d.bit_depth, 8);
    ASSERT_EQ(d.transparency.size(), 1u) << "one colour key, written first";
    EXPECT_EQ(d.transparency[0], 0);
    for (size_t i = 0; i < static_cast<size_t>(96 * 96); ++i) {
        bool clear = p.pixels[i * 4 + 3] == 0;
        ASSERT_EQ(d.indices[i] == 0, clear) << "pixel " << i;
        if (!clear) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_LE(std::abs(static_cast<int>(d.rgba[i * 4 + c]) -
                                   static_cast<int>(p.pixels[i * 4 + c])),
                          24)
                    << "pixel " << i;
            }
        }
    }
}

TEST(PaletteReduction, SoftEdgesKeepTheirOpacityAndTranslucentEntriesComeFirst)
{
    PixelBuffer p = disc_rgba(128, true);
    DecodedPng d = decode_png(encode_png_indexed(reduce_to_palette(p)));
    ASSERT_EQ(d.colour_type, 3);
    EXPECT_LE(d.palette.size(), 256u);
    ASSERT_GT(d.transparency.size(), 2u);
    // Every entry past the tRNS table is opaque by definition; those inside it must not be.
    for (std::uint8_t a : d.transparency)
        EXPECT_LT(a, 255);
    double alpha_error = 0;
    for (size_t i = 0; i < static_cast<size_t>(128 * 128); ++i) {
        alpha_error +=
            std::abs(static_cast<int>(d.rgba[i * 4 + 3]) - static_cast<int>(p.pixels[i * 4 + 3]));
        if (p.pixels[i * 4 + 3] == 0) {
            ASSERT_EQ(d.rgba[i * 4 + 3], 0) << "clear stays clear, pixel " << i;
        }
        if (p.pixels[i * 4 + 3] == 255) {
            ASSERT_EQ(d.rgba[i * 4 + 3], 255) << "solid stays solid, pixel " << i;
        }
    }
    EXPECT_LT(alpha_error / (128 * 128), 1.0);
}

TEST(PaletteReduction, ManyColoursAreReducedToAtMost256WithSmallError)
{
    PixelBuffer rgb = gradient_rgb(200, 150);
    PixelBuffer p{200, 150, 4, Bytes(static_cast<size_t>(200) * 150 * 4)};
    std::set<std::uint32_t> distinct;
    for (size_t i = 0; i < static_cast<size_t>(200 * 150); ++i) {
        for (int c = 0; c < 3; ++c)
            p.pixels[i * 4 + c] = rgb.pixels[i * 3 + c];
        p.pixels[i * 4 + 3] = 255;
        distinct.insert(rgb.pixels[i * 3] | rgb.pixels[i * 3 + 1] << 8 |
                        rgb.pixels[i * 3 + 2] << 16);
    }
    ASSERT_GT(distinct.size(), 5000u);
    DecodedPng d = decode_png(encode_png_indexed(reduce_to_palette(p)));
    EXPECT_EQ(d.palette.size(), 256u);
    EXPECT_TRUE(d.transparency.empty()) << "an opaque picture needs no tRNS";
    EXPECT_LT(mean_abs_difference(d.rgba, p.pixels), 6.0);
}

TEST(PngEncoding, RgbaRoundTripsExactly)
{
    PixelBuffer p = disc_rgba(64, true);
    DecodedPng d = decode_png(encode_png_rgba(p));
    EXPECT_EQ(d.colour_type, 6);  // RGBA
    EXPECT_EQ(d.bit_depth, 8);
    EXPECT_EQ(d.rgba, p.pixels);
}
