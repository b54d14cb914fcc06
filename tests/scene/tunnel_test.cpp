// The tile tunnel as a viewer sees it. Tile row c of a wall lies between c and c + 1 units
// ahead (plus the beat's fraction); row c shows pattern row (c - beat) mod 9, and pattern
// row r holds photos 4r .. 4r + 3 across the four columns.
//
// The nearest rows never reach the window: the 45-degree view meets the floor 3.6 units
// ahead, so row 4 is the first whole row in view. Rows are checked there, a quarter tile in
// from each edge, which fixes both which pattern a row carries and where the row lies to
// within a quarter tile: a row one tile off, half a tile off or sliding the wrong way fails.
#include "gl_window.h"
#include "scene_probe.h"

#include <gtest/gtest.h>

namespace {
constexpr double kWallHeight = -1.5;  // the floor; the other walls are the same strip turned

// The floor point x units to the right, `ahead` units in front of the eye.
ScreenPoint floor_at(double x, double ahead)
{
    return project(x, kWallHeight, -ahead);
}

Seen floor_seen(double x, double ahead)
{
    const ScreenPoint p = floor_at(x, ahead);
    return seen_at(p.x, p.y);
}

// A floor tile's photo is seen from above with its top away from the eye and its left and
// right swapped: the near half shows the bottom of the photo, the left half its right side.
Quadrant floor_quadrant(bool left_half, bool near_half)
{
    if (near_half) {
        return left_half ? bottom_right : bottom_left;
    }
    return left_half ? top_right : top_left;
}

// Checks the floor tile of column j (0-3, x from j - 2 to j - 1) whose near edge is `near`
// units ahead: it shows photo 4r + j, probed in each visible quarter. The outer columns
// reach behind the side walls, so only their inner halves are probed.
void expect_floor_tile(int j, double near, int pattern_row)
{
    const double left_edge = j - 2.0;
    for (const bool left_half : {true, false}) {
        const double x = left_edge + (left_half ? 0.25 : 0.75);
        if (x < -1.5 || x > 1.5) {
            continue;
        }
        for (const bool near_half : {true, false}) {
            const double ahead = near + (near_half ? 0.25 : 0.75);
            EXPECT_EQ(floor_seen(x, ahead),
                      photo(4 * pattern_row + j, floor_quadrant(left_half, near_half)))
                << "column " << j << ", x " << x << ", " << ahead << " ahead";
        }
    }
}

void expect_floor_row(double near, int pattern_row)
{
    for (int j = 0; j < 4; ++j) {
        expect_floor_tile(j, near, pattern_row);
    }
}
}  // namespace

TEST(Tunnel, AtTheStartRowCShowsPatternRowC)
{
    // Row 0 (pattern row 0, photos 0-3, centred 0.5 ahead) is out of view; the count goes on
    // in rows 4 and 5, and wraps after pattern row 8.
    render_at_ms(0);
    expect_floor_row(4, 4);
    expect_floor_row(5, 5);
    expect_floor_row(8, 8);
    expect_floor_row(9, 0);
}

TEST(Tunnel, MovesAwayByOneTilePerBeat)
{
    // Beat 1: every pattern row has moved one tile further away, so row 0 shows pattern row 8
    // and row 1 pattern row 0; in view, row 4 shows pattern row 3 and row 5 pattern row 4.
    render_at_ms(ms_at_beat(1));
    expect_floor_row(4.002, 3);
    expect_floor_row(5.002, 4);

    // Half a beat: half a tile further; pattern row 4 now starts 4.5 units ahead and the
    // half tile before it is the far half of pattern row 3.
    render_at_ms(ms_at_beat(0.5));
    expect_floor_row(4.501, 4);
    EXPECT_EQ(floor_seen(0.25, 4.3), photo(4 * 3 + 2, top_right));
    EXPECT_EQ(floor_seen(-0.75, 4.3), photo(4 * 3 + 1, top_right));
}

TEST(Tunnel, WorkedFrameAtFiftySeconds)
{
    // Beat 150: row 0 shows pattern row 3, so rows 4 and 5 show pattern rows 7 and 8.
    render_at_ms(50000);
    expect_floor_row(4, 7);
    expect_floor_row(5, 8);
}

TEST(Tunnel, AllFourWallsShowTheSamePatternAtTheSameDepth)
{
    // The ceiling is the floor turned half round the line of sight, the side walls a quarter
    // round each way. A point a quarter unit right of (or above) the middle line, in the near
    // half of a tile, shows the bottom right of column 2's photo on the floor and the right
    // wall, and the bottom left of column 1's on the ceiling and the left wall.
    for (const int beat : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "beat " << beat);
        render_at_ms(ms_at_beat(beat));
        const double ahead = 5.25 + (beat == 0 ? 0.0 : 0.002);
        const int pattern_row = (5 - beat) % 9;
        const ScreenPoint floor = project(0.25, -1.5, -ahead);
        const ScreenPoint ceiling = project(0.25, 1.5, -ahead);
        const ScreenPoint right_wall = project(1.5, 0.25, -ahead);
        const ScreenPoint left_wall = project(-1.5, 0.25, -ahead);
        EXPECT_EQ(seen_at(floor.x, floor.y), photo(4 * pattern_row + 2, bottom_right));
        EXPECT_EQ(seen_at(ceiling.x, ceiling.y), photo(4 * pattern_row + 1, bottom_left));
        EXPECT_EQ(seen_at(right_wall.x, right_wall.y), photo(4 * pattern_row + 2, bottom_right));
        EXPECT_EQ(seen_at(left_wall.x, left_wall.y), photo(4 * pattern_row + 1, bottom_left));
    }
}
