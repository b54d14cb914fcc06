// The photo cube as a viewer sees it: which photo faces the eye, which way up, how big, and
// which way the cube has turned. The cube sits 4 units ahead; when a face looks straight at
// the eye it covers a square around the window's centre, and only that face is seen.
#include "gl_window.h"
#include "scene_probe.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
constexpr double kCubeDistance = 4.0;
constexpr double kCentreX = 512.0;
constexpr double kCentreY = 384.0;
constexpr double kPi = 3.14159265358979323846;

// Half-edge over a 32-beat cycle: a raised cosine, nothing at the cycle's ends, 1 in the middle.
double half_edge_at_beat(double beat)
{
    const double q = std::fmod(beat, 32.0) / 32.0;
    return 0.5 - 0.5 * std::cos(2 * kPi * q);
}

// Half the side, in window pixels, of a face of the given half-edge looking straight at the
// eye (the face is s nearer than the cube's centre).
double face_half_size(double s)
{
    return project(s, 0, -(kCubeDistance - s)).x - kCentreX;
}

// Which quadrant of the photo each quadrant of the window square shows.
struct FaceView {
    Quadrant at_top_left, at_top_right, at_bottom_left, at_bottom_right;
};
constexpr FaceView kUpright{top_left, top_right, bottom_left, bottom_right};
constexpr FaceView kMirrored{top_right, top_left, bottom_right, bottom_left};

// The face square around the centre shows photo p seen as `view`, probed in the middle of
// each quadrant.
void expect_face(int p, FaceView view, double half_size)
{
    const double d = half_size / 2;
    EXPECT_EQ(seen_at(kCentreX - d, kCentreY - d), photo(p, view.at_top_left));
    EXPECT_EQ(seen_at(kCentreX + d, kCentreY - d), photo(p, view.at_top_right));
    EXPECT_EQ(seen_at(kCentreX - d, kCentreY + d), photo(p, view.at_bottom_left));
    EXPECT_EQ(seen_at(kCentreX + d, kCentreY + d), photo(p, view.at_bottom_right));
}

bool shows_photo(double x, double y, int p)
{
    return seen_at(x, y).picture == photo(p, top_left).picture;
}
}  // namespace

TEST(PhotoCube, WorkedFrameAtFiftySecondsShowsGroupFourTurnedAboutX)
{
    // Beat 150: group 4 (photos 24-29), half-edge about 0.69, and 270 degrees about x
    // brings the bottom face (photo 27) round to the eye, upright.
    render_at_ms(50000);
    const double half = face_half_size(half_edge_at_beat(150));
    expect_face(27, kUpright, half);

    // Its size: the face ends where a half-edge of 0.69 puts it, on all four sides.
    const double inside = half - 6;
    const double outside = half + 6;
    EXPECT_TRUE(shows_photo(kCentreX - inside, kCentreY - 20, 27));
    EXPECT_TRUE(shows_photo(kCentreX + inside, kCentreY + 20, 27));
    EXPECT_TRUE(shows_photo(kCentreX - 20, kCentreY - inside, 27));
    EXPECT_TRUE(shows_photo(kCentreX + 20, kCentreY + inside, 27));
    EXPECT_FALSE(shows_photo(kCentreX - outside, kCentreY - 20, 27));
    EXPECT_FALSE(shows_photo(kCentreX + outside, kCentreY + 20, 27));
    EXPECT_FALSE(shows_photo(kCentreX - 20, kCentreY - outside, 27));
    EXPECT_FALSE(shows_photo(kCentreX + 20, kCentreY + outside, 27));
}

TEST(PhotoCube, HasNoSizeAtTheStartOfTheShow)
{
    // The tunnel's far end leaves a small square of background at the centre; a cube of any
    // size would cover it.
    render_at_ms(0);
    for (int dy = -3; dy <= 3; dy += 3) {
        for (int dx = -3; dx <= 3; dx += 3) {
            const Rgb rgb = pixel_at(512 + dx, 384 + dy);
            EXPECT_NEAR(rgb.r, 128, 1) << dx << "," << dy;
            EXPECT_EQ(rgb.r, rgb.g);
            EXPECT_EQ(rgb.r, rgb.b);
        }
    }
}

TEST(PhotoCube, EveryFaceOfAGroupShowsItsPhotoTheRightWayRound)
{
    // Group 1 (photos 6-11), each face turned to the eye in turn. Quarter turns every two
    // beats: about y in the first half of the 32-beat cycle, about x in the second. The top
    // face comes round mirrored left to right; every other face upright.
    struct Case {
        double beat;
        int photo;
        FaceView view;
    };
    const Case cases[] = {
        {48, 10, kUpright},  // no turn: the front face
        {46, 6, kUpright},   // 270 about y: the +x face
        {42, 7, kUpright},   // 90 about y: the -x face
        {44, 11, kUpright},  // 180 about y: the back face
        {50, 8, kMirrored},  // 90 about x: the top face
        {54, 9, kUpright},   // 270 about x: the bottom face
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "beat " << c.beat);
        render_at_ms(ms_at_beat(c.beat));
        expect_face(c.photo, c.view, face_half_size(half_edge_at_beat(c.beat)));
    }
}

TEST(PhotoCube, SwitchesItsAxisFromYToXAtBeatSixteen)
{
    // At the switch itself the cube has made a whole number of turns and is at full size, so
    // both sides of it show the front face square on.
    for (const int ms : {5333, 5334}) {
        SCOPED_TRACE(testing::Message() << ms << " ms");
        render_at_ms(ms);
        const double half = face_half_size(1.0);
        expect_face(4, kUpright, half);
        EXPECT_TRUE(shows_photo(kCentreX - (half - 6), kCentreY, 4));
        EXPECT_FALSE(shows_photo(kCentreX - (half + 6), kCentreY, 4));
    }

    // A beat before, turned 45 degrees back about the vertical axis: the front face on the
    // left, the +x face on the right, split by a vertical edge.
    render_at_ms(ms_at_beat(15));
    EXPECT_TRUE(shows_photo(kCentreX - 80, kCentreY, 4));
    EXPECT_TRUE(shows_photo(kCentreX + 80, kCentreY, 0));

    // A beat after, turned 45 degrees about the horizontal axis: the top face above, the
    // front face below.
    render_at_ms(ms_at_beat(17));
    EXPECT_TRUE(shows_photo(kCentreX, kCentreY - 80, 2));
    EXPECT_TRUE(shows_photo(kCentreX, kCentreY + 80, 4));
}

TEST(PhotoCube, ChangesPhotosEveryThirtyTwoBeatsAndCyclesEvery192)
{
    // Full size and square on in the middle of each cycle: the front face is photo 6g + 4.
    struct Case {
        double beat;
        int photo;
    };
    const Case cases[] = {
        {16, 4},    // group 0
        {48, 10},   // group 1: photos 6-11 from beat 32
        {176, 34},  // group 5
        {208, 4},   // beat 192 starts group 0 again
        {240, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "beat " << c.beat);
        render_at_ms(ms_at_beat(c.beat));
        expect_face(c.photo, kUpright, face_half_size(1.0));
    }
}
