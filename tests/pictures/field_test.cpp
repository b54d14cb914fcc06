// The building blocks under every photograph: noise, terrain bounds, ray hits, and the
// frame's antialiasing, defocus and finishing.
#include "field.h"
#include "frame.h"
#include "landscape.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Noise, DerivativesMatchFiniteDifferences)
{
    // Shading and erosion both lean on the analytic slopes; a wrong sign or factor would
    // light hills from the wrong side.
    const float h = 1e-3f;
    for (int i = 0; i < 200; ++i) {
        float x = -7.3f + i * 0.173f, y = 3.1f - i * 0.117f;
        NoiseSample s = value_noise_d(x, y, 42);
        float dx = (value_noise(x + h, y, 42) - value_noise(x - h, y, 42)) / (2 * h);
        float dy = (value_noise(x, y + h, 42) - value_noise(x, y - h, 42)) / (2 * h);
        ASSERT_NEAR(s.value, value_noise(x, y, 42), 1e-5f) << x << ", " << y;
        ASSERT_NEAR(s.dx, dx, 0.02f) << x << ", " << y;
        ASSERT_NEAR(s.dy, dy, 0.02f) << x << ", " << y;
    }
}

TEST(Noise, StaysInRangeAndIsContinuousAcrossCellsAndNegativeCoordinates)
{
    float previous = value_noise(-3.0f, 0.5f, 9);
    for (int i = 1; i <= 6000; ++i) {
        float x = -3.0f + i * 0.001f;  // crosses the lattice lines at -3 .. 3
        float v = value_noise(x, 0.5f, 9);
        ASSERT_GE(v, -1.0f);
        ASSERT_LE(v, 1.0f);
        ASSERT_LT(std::fabs(v - previous), 0.01f) << "jump at x = " << x;
        previous = v;
    }
    EXPECT_NE(value_noise(0.5f, 0.5f, 1), value_noise(0.5f, 0.5f, 2)) << "seeds must differ";
}

TEST(Noise, CellsReportTheNearestCentreFirst)
{
    for (int i = 0; i < 300; ++i) {
        Vec2 p{i * 0.37f - 50.0f, i * 0.21f - 20.0f};
        CellSample c = cells(p, 5);
        EXPECT_LE(c.f1, c.f2);
        EXPECT_NEAR(c.f1, length(p - c.centre), 1e-4f);
        EXPECT_LT(c.f1, 1.5f) << "a cell centre lies within reach of every point";
    }
}

TEST(Terrain, CeilingIsAboveEveryPeakInSight)
{
    // Rays climbing above the ceiling stop marching; a ceiling below a peak would slice
    // its top off.
    for (Terrain kind : {Terrain::kAlpine, Terrain::kHills, Terrain::kMesa, Terrain::kVolcano}) {
        Landscape l;
        l.terrain = kind;
        l.seed = 11;
        LandscapeView v = make_view(l, 64, 48);
        for (int j = -60; j <= 60; ++j) {
            for (int i = -60; i <= 60; ++i) {
                Vec2 p{i * 97.0f + 13.0f, j * 101.0f + 7.0f};
                ASSERT_LT(terrain_height(l, p, 12), v.ceiling)
                    << "terrain " << static_cast<int>(kind);
            }
        }
    }
}

TEST(Terrain, RaysMeetWaterGroundAndSkyWhereTheyShould)
{
    Landscape l;
    l.seed = 3;
    l.water_level = 1e4f;  // everything drowned: the camera floats above open water
    l.eye_height = 25.0f;
    l.pitch = -89.0f;
    LandscapeView down = make_view(l, 9, 9);
    RayHit h = first_hit(l, down, 4.5f, 4.5f, 9, 9);
    EXPECT_EQ(h.kind, RayHit::kWater);
    EXPECT_NEAR(h.distance, 25.0f / std::sin(89.0f * 3.14159265f / 180.0f), 0.05f);

    l.water_level = kNoWater;
    l.pitch = 89.0f;
    LandscapeView up = make_view(l, 9, 9);
    EXPECT_EQ(first_hit(l, up, 4.5f, 4.5f, 9, 9).kind, RayHit::kSky);

    l.pitch = -60.0f;
    LandscapeView ground = make_view(l, 9, 9);
    RayHit g = first_hit(l, ground, 4.5f, 4.5f, 9, 9);
    ASSERT_EQ(g.kind, RayHit::kGround);
    EXPECT_GT(g.distance, 20.0f);  // the eye is 30 m up, looking 60 degrees down
    EXPECT_LT(g.distance, 200.0f);
}

TEST(Frame, EdgesAreSmoothedAndFlatAreasLeftAlone)
{
    // A hard vertical edge at x = 10.3: the pixel it crosses gets a blend, others stay pure.
    Shader edge = [](float x, float) { return x < 10.3f ? Vec3{1, 1, 1} : Vec3{0, 0, 0}; };
    Frame f = render_frame(20, 4, edge, 2);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(f.linear[y * 20 + 5].x, 1.0f);
        EXPECT_EQ(f.linear[y * 20 + 15].x, 0.0f);
        float crossed = f.linear[y * 20 + 10].x;
        EXPECT_GT(crossed, 0.0f);
        EXPECT_LT(crossed, 1.0f);
    }
    Frame plain = render_frame(20, 4, edge, 2, 0.0f);
    EXPECT_EQ(plain.linear[10].x, 0.0f) << "threshold 0 takes one sample a pixel, at its centre";
}

TEST(Frame, DefocusKeepsBrightnessAndOnlyBlursWhereAsked)
{
    Frame f;
    f.width = 31;
    f.height = 31;
    f.linear.assign(31 * 31, Vec3{0, 0, 0});
    f.linear[15 * 31 + 15] = Vec3{90, 90, 90};
    Frame kept = f;
    defocus(kept, 3.0f, [](float, float) { return 0.0f; });
    EXPECT_EQ(kept.linear[15 * 31 + 15].x, 90.0f);
    defocus(f, 3.0f, [](float, float) { return 1.0f; });
    float total = 0;
    for (const Vec3& c : f.linear)
        total += c.x;
    EXPECT_NEAR(total, 90.0f, 0.01f);
    EXPECT_LT(f.linear[15 * 31 + 15].x, 10.0f);
    EXPECT_GT(f.linear[15 * 31 + 18].x, 0.0f);
}

TEST(Frame, FinishingDarkensCornersAndKeepsBlackAndWhite)
{
    Frame f;
    f.width = 64;
    f.height = 48;
    f.linear.assign(64 * 48, Vec3{0.18f, 0.18f, 0.18f});
    Finish plain;
    plain.grain = 0.0f;
    PixelBuffer p = finish_frame(f, plain);
    int centre = p.pixels[(24 * 64 + 32) * 3], corner = p.pixels[0];
    EXPECT_GT(centre, corner + 5) << "vignette";
    EXPECT_GT(centre, 90);  // mid grey lands near the middle of the range
    EXPECT_LT(centre, 160);
    f.linear.assign(64 * 48, Vec3{0, 0, 0});
    f.linear[0] = Vec3{1000, 1000, 1000};
    p = finish_frame(f, plain);
    EXPECT_EQ(p.pixels[3 * 100], 0);
    EXPECT_EQ(p.pixels[0], 255) << "highlights roll off to white, never wrap";
}
