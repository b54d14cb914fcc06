// The encoders and the palette reduction, read back through libjpeg and libpng.
#include "encode.h"
#include "decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {
// Smooth colours over the whole picture, or a disc of them on a clear background with a hard
// or a soft edge.
enum class Shape { full, hard_disc, soft_disc };

PixelBuffer picture(int w, int h, int channels, Shape shape)
{
    PixelBuffer p{w, h, channels, Bytes(static_cast<std::size_t>(w) * h * channels)};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float d = std::hypot(x - w / 2.0f, y - h / 2.0f) - w * 0.35f;
            const float a = shape == Shape::full        ? 1.0f
                            : shape == Shape::soft_disc ? std::clamp(0.5f - d / 6.0f, 0.0f, 1.0f)
                                                        : (d < 0 ? 1.0f : 0.0f);
            const auto a8 = static_cast<std::uint8_t>(std::lround(a * 255));
            std::uint8_t* px = &p.pixels[(static_cast<std::size_t>(y) * w + x) * channels];
            px[0] = a8 ? static_cast<std::uint8_t>(x * 255 / (w - 1)) : 0;
            px[1] = a8 ? static_cast<std::uint8_t>(y * 255 / (h - 1)) : 0;
            px[2] =
                a8 ? static_cast<std::uint8_t>(128 + 100 * std::sin(x * 0.05) * std::cos(y * 0.07))
                   : 0;
            if (channels == 4) {
                px[3] = a8;
            }
        }
    }
    return p;
}

double mean_abs_difference(const Bytes& a, const Bytes& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sum += std::abs(a[i] - b[i]);
    }
    return sum / a.size();
}
}  // namespace

TEST(JpegEncoding, BaselineAndProgressiveDecodeToTheSamePictureAndBadShapesAreRefused)
{
    PixelBuffer p = picture(123, 77, 3, Shape::full);  // not multiples of the 8-pixel blocks
    for (bool progressive : {false, true}) {
        JpegOptions options;
        options.progressive = progressive;
        const DecodedJpeg d = decode_jpeg(encode_jpeg(p, options));
        EXPECT_EQ(d.progressive, progressive);
        EXPECT_EQ(d.width, 123);
        EXPECT_EQ(d.height, 77);
        EXPECT_LT(mean_abs_difference(d.rgb, p.pixels), 2.5) << "quality 90 keeps smooth colours";
        EXPECT_TRUE(d.after_end.empty());
    }
    p.pixels.pop_back();
    EXPECT_THROW(encode_jpeg(p, {}), std::invalid_argument);
}

TEST(PaletteReduction, KeepsColoursAndOpacityWithTranslucentEntriesFirst)
{
    struct Case {
        Shape shape;
        std::size_t translucent_entries;  // 0: any number above two
        double colour_error;
    };
    for (const Case& c : {Case{Shape::hard_disc, 1, 8.0}, Case{Shape::soft_disc, 0, 8.0},
                          Case{Shape::full, 0, 6.0}}) {
        const PixelBuffer p = picture(160, 120, 4, c.shape);
        const DecodedPng d = decode_png(encode_png_indexed(reduce_to_palette(p)));
        const auto shape = static_cast<int>(c.shape);
        ASSERT_EQ(d.colour_type, 3) << shape;
        ASSERT_EQ(d.bit_depth, 8) << shape;
        EXPECT_LE(d.palette.size(), 256u) << shape;
        if (c.shape == Shape::full) {
            EXPECT_TRUE(d.transparency.empty()) << "an opaque picture needs no tRNS";
        } else if (c.translucent_entries > 0) {
            EXPECT_EQ(d.transparency.size(), c.translucent_entries) << "one colour key";
        } else {
            EXPECT_GT(d.transparency.size(), 2u);
        }
        // Every entry past the tRNS table is opaque by definition; those inside it must not be.
        for (std::uint8_t a : d.transparency) {
            EXPECT_LT(a, 255) << shape;
        }
        double alpha_error = 0;
        for (std::size_t i = 0; i < p.pixels.size(); i += 4) {
            const int a = p.pixels[i + 3];
            alpha_error += std::abs(d.rgba[i + 3] - a);
            if (a == 0 || a == 255) {
                ASSERT_EQ(d.rgba[i + 3], a) << "clear and solid stay so, pixel " << i / 4;
            }
        }
        EXPECT_LT(alpha_error / (p.pixels.size() / 4), 1.0) << shape;
        EXPECT_LT(mean_abs_difference(d.rgba, p.pixels), c.colour_error) << shape;
    }
}

TEST(PngEncoding, RgbaRoundTripsExactly)
{
    const PixelBuffer p = picture(64, 64, 4, Shape::soft_disc);
    const DecodedPng d = decode_png(encode_png_rgba(p));
    EXPECT_EQ(d.colour_type, 6);  // RGBA
    EXPECT_EQ(d.bit_depth, 8);
    EXPECT_EQ(d.rgba, p.pixels);
}
