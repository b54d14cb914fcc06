// The photo cube as a viewer sees it. The cube sits 4 units ahead; a face looking straight at
// the eye covers a square around the window's centre, at least 190 pixels each way from beat
// 10 to beat 22 of its 32-beat size cycle. Faces are probed 100 pixels off the centre, in the
// logos' clear middles when those are upright.
#include "gl_window.h"
#include "scene_probe.h"

#include <gtest/gtest.h>

#include <cmath>  // std::abs

namespace {
constexpr double kCentreX = 512.0;
constexpr double kCentreY = 384.0;

// Half the side, in pixels, of a face of half-edge s looking straight at the eye.
double face_half_size(double s)
{
    return project(s, 0, -(4.0 - s)).x - kCentreX;
}

bool shows_photo(double x, double y, int p)
{
    return seen_at(x, y).picture == photo(p, top_left).picture;
}

// Photo p faces the eye, its quadrants seen where `seen` (window top left, top right, bottom
// left, bottom right) says.
void expect_face(int p, const Quadrant* seen)
{
    for (int i = 0; i < 4; ++i) {
        const double x = kCentreX + (i % 2 == 0 ? -100 : 100);
        const double y = kCentreY + (i < 2 ? -100 : 100);
        EXPECT_EQ(seen_at(x, y), photo(p, seen[i])) << "window quadrant " << i;
    }
}
constexpr Quadrant kUpright[4] = {top_left, top_right, bottom_left, bottom_right};
constexpr Quadrant kMirrored[4] = {top_right, top_left, bottom_right, bottom_left};
}  // namespace

TEST(PhotoCube, WorkedFrameAtFiftySecondsShowsGroupFourTurnedAboutX)
{
    // Group 4 (photos 24-29), half-edge about 0.69; 270 degrees about x brings the bottom
    // face (photo 27) round to the eye, upright, and its edges lie where that size puts them.
    render_at_ms(50000);
    expect_face(27, kUpright);
    const double half = face_half_size(0.69);
    for (const double d : {half - 6, -(half - 6), half + 6, -(half + 6)}) {
        const bool inside = std::abs(d) < half;
        EXPECT_EQ(shows_photo(kCentreX + d, kCentreY + 20, 27), inside) << d;
        EXPECT_EQ(shows_photo(kCentreX + 20, kCentreY + d, 27), inside) << d;
    }
}

TEST(PhotoCube, ShowsEachFaceOfItsGroupTheRightWayRound)
{
    // Quarter turns every two beats: about y in the first half of the cycle, about x in the
    // second, switching at beat 16 (the frame before it: 15.998) with whole turns made. Beats
    // 16 + 32g face the front photo 6g + 4 square on; group 0 comes back at beat 192.
    struct Case {
        double beat;
        int photo;
        const Quadrant* view;
    };
    const Case cases[] = {
        {48, 10, kUpright},  {46, 6, kUpright},  {42, 7, kUpright},     {44, 11, kUpright},
        {50, 8, kMirrored},  {54, 9, kUpright},  {15.998, 4, kUpright}, {16, 4, kUpright},
        {176, 34, kUpright}, {208, 4, kUpright},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "beat " << c.beat);
        render_at_ms(ms_at_beat(c.beat));
        expect_face(c.photo, c.view);
    }
}
