// The tile tunnel as a viewer sees it. Tile row c of a wall lies between c and c + 1 units
// ahead (plus the beat's fraction) and shows pattern row (c - beat) mod 9, which holds photos
// 4r .. 4r + 3 across the four columns. The view meets the floor 3.6 units ahead, so rows
// are checked from 4 on, a quarter tile in from each edge: a row one tile or half a tile off,
// or sliding the wrong way, fails.
#include "gl_window.h"
#include "scene_probe.h"

#include <gtest/gtest.h>

namespace {
// Checks the floor row whose near edge is `near` units ahead shows pattern row r. A floor
// photo is seen from above, top away from the eye and left and right swapped. The outer
// columns reach behind the side walls, so only their inner halves are probed.
void expect_floor_row(double near, int r)
{
    for (double x = -1.25; x < 1.5; x += 0.5) {
        const int column = static_cast<int>(x + 2);
        const bool left_half = x - (column - 2) < 0.5;
        for (const bool near_half : {true, false}) {
            const ScreenPoint p = project(x, -1.5, -(near + (near_half ? 0.25 : 0.75)));
            const Quadrant q = near_half ? (left_half ? bottom_right : bottom_left)
                                         : (left_half ? top_right : top_left);
            EXPECT_EQ(seen_at(p.x, p.y), photo(4 * r + column, q))
                << "x " << x << ", near half " << near_half;
        }
    }
}
}  // namespace

TEST(Tunnel, RowsShowTheirPatternAndMoveAwayOneTilePerBeat)
{
    struct Case {
        double beat;
        double near;
        int pattern_row;
    };
    const Case cases[] = {
        {0, 4, 4},        // row 0 (photos 0-3) is out of view; the count goes on
        {0, 9, 0},        // and wraps after pattern row 8
        {1, 4.002, 3},    // beat 1: row 0 shows pattern 8, so row 4 pattern 3
        {1, 5.002, 4},    //   and row 5 pattern 4
        {0.5, 4.501, 4},  // half a beat: half a tile further
        {150, 4, 7},      // the frame at 50 s: row 0 shows pattern 3
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "beat " << c.beat << ", row at " << c.near);
        render_at_ms(ms_at_beat(c.beat));
        expect_floor_row(c.near, c.pattern_row);
    }
}

TEST(Tunnel, AllFourWallsShowTheSamePatternAtTheSameDepth)
{
    // The ceiling is the floor turned half round the line of sight, the side walls a quarter
    // round each way: a quarter unit right of (or above) the middle, in the near half of a
    // tile, shows column 2's bottom right on the floor and right wall, column 1's bottom left
    // on the ceiling and left wall.
    for (const int beat : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "beat " << beat);
        render_at_ms(ms_at_beat(beat));
        const double z = -(5.25 + 0.002 * beat);
        const int r = 5 - beat;
        for (const ScreenPoint p : {project(0.25, -1.5, z), project(1.5, 0.25, z)}) {
            EXPECT_EQ(seen_at(p.x, p.y), photo(4 * r + 2, bottom_right)) << p.x << "," << p.y;
        }
        for (const ScreenPoint p : {project(0.25, 1.5, z), project(-1.5, 0.25, z)}) {
            EXPECT_EQ(seen_at(p.x, p.y), photo(4 * r + 1, bottom_left)) << p.x << "," << p.y;
        }
    }
}
