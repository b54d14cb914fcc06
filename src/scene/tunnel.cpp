// The tunnel from vertex arrays. Reads the clock and the photo records; between frames it keeps
// only the arrays' storage, sized once, so a frame allocates nothing.
//
// Drawn one at a time, each with its own bind, matrix and immediate-mode quad, the tunnel's
// 4 096 tiles would be most of a frame on a software rasteriser; instead each wall's tiles
// are drawn with one call per photo. Their corners are handed over already in clip space,
// with both matrices at identity, worked out with the float operations, in the order, that
// Mesa applies to a tile drawn under a matrix of its own: glTranslatef on the wall's
// modelview, the 4 x 4 product with the projection, then the fixed-function transform of the
// corner. So every tile lands on exactly the pixels that per-tile drawing gives it (the
// baseline in bench/scene). The wall's rotation is read back from OpenGL, not recomputed.
//
// Two more things keep those pixels. A draw holding any vertex outside the view volume goes
// through Mesa's clipper, which places all of that draw's triangles a rounding step apart
// from where the unclipped path puts them; so a tile not wholly inside the view is drawn on
// its own and only the others are batched. And where neighbouring tiles' edges round apart,
// a pixel can be covered twice at equal depth and the tile drawn first keeps it; the walls
// and the columns keep their order, and within a column only the rows are regrouped by
// photo, which changed no byte of any frame that bench/scene compares.
#include "scene/tunnel.h"

#include "core/beat_clock.h"
#include "core/picture_sets.h"
#include "scene/photo_quads.h"

namespace {
constexpr int kTunnelColumns = 4;  // tiles across a wall, x from -2 to 2
constexpr int kFirstColumn = -2;
constexpr int kTunnelRows = 256;  // tiles along a wall, away from the viewer
constexpr int kPatternRows = kPhotoCount / kTunnelColumns;  // the photos read as rows of 4
// Tile rows showing one pattern row: every ninth, and one more for the first few.
constexpr int kMostRowsPerPattern = (kTunnelRows + kPatternRows - 1) / kPatternRows;
// Keeps the pattern row's dividend positive for any beat count below it.
constexpr int kPatternOffset = 900000;
constexpr float kWallDrop = -2.0f;  // each tile's frame; its face is half a unit up, at -1.5
constexpr float kHalfTile = 0.5f;

// The wall angles about the view axis: floor, ceiling, then the two sides.
constexpr float kWallTurns[] = {0.0f, 180.0f, 90.0f, 270.0f};
constexpr int kWalls = sizeof kWallTurns / sizeof kWallTurns[0];
constexpr int kTunnelVertices = kWalls * kTunnelColumns * kTunnelRows * kCornersPerQuad;

// A tunnel tile's corners in the tile's own frame, with their texture coordinates, in the
// order they are drawn. Every tile shows its photo the same way round.
constexpr PhotoCorner kTileCorners[kCornersPerQuad] = {
    {1, 1, -kHalfTile, kHalfTile, kHalfTile},
    {0, 1, kHalfTile, kHalfTile, kHalfTile},
    {0, 0, kHalfTile, kHalfTile, -kHalfTile},
    {1, 0, -kHalfTile, kHalfTile, -kHalfTile},
};

// Clip-space corners (x, y, z, w) of every tile, in drawing order: wall by wall, column by
// column, and within a column photo by photo.
float tunnel_positions[kTunnelVertices][4];
float tunnel_tex_coords[kTunnelVertices][2];
bool tunnel_tex_coords_filled = false;

// The tile rows that show each pattern row in this frame, nearest first.
int pattern_rows[kPatternRows][kMostRowsPerPattern];
int pattern_row_counts[kPatternRows];

// Matrices as OpenGL keeps them: column by column, element (row r, column c) at [4 * c + r].
using Matrix = float[16];

// The column a * b_column of a matrix product, each element summed in the order Mesa's 4 x 4
// product uses.
void product_column(const Matrix& a, const float* b_column, float out[4])
{
    for (int r = 0; r < 4; ++r) {
        out[r] = a[r] * b_column[0] + a[4 + r] * b_column[1] + a[8 + r] * b_column[2] +
                 a[12 + r] * b_column[3];
    }
}

// The last column that glTranslatef(x, y, z) leaves in the matrix m; the others stay as they
// are.
void translated_column(const Matrix& m, float x, float y, float z, float out[4])
{
    for (int r = 0; r < 4; ++r) {
        out[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
    }
}

void sort_rows_by_pattern()
{
    const int beats = static_cast<int>(timing_beats);
    for (int& count : pattern_row_counts) {
        count = 0;
    }
    for (int row = 0; row < kTunnelRows; ++row) {
        // The tile in `row` shows pattern row (row - beats) mod 9: each pattern row moves one
        // tile further away per beat, and timing_frac slides it smoothly in between.
        const int pattern_row = (row - beats + kPatternOffset) % kPatternRows;
        pattern_rows[pattern_row][pattern_row_counts[pattern_row]++] = row;
    }
}

// True when a clip-space corner lies strictly inside the view volume, where no clipping
// can touch it.
bool inside_view(const float corner[4])
{
    const float w = corner[3];
    return corner[0] > -w && corner[0] < w && corner[1] > -w && corner[1] < w && corner[2] > -w &&
           corner[2] < w;
}

// Writes the clip-space corners of one wall's tiles from vertex `first` on, draws them, and
// returns the next free vertex. `projection` and `wall` are the matrices the tile-by-tile
// drawing had current before each tile's own translation. Each photo's tiles take one block
// of the array: those wholly in view from its start, drawn in one call, the rest from its end,
// drawn one by one.
int draw_wall(const Matrix& projection, const Matrix& wall, int first)
{
    // A tile's translation changes only the last column of its modelview, so the first three
    // columns of projection * modelview are the wall's own. With corner coordinates of +-0.5
    // and w = 1, every product in the corner transform is exact, so a fused multiply-add
    // would round just as a multiply and an add do: what is left is this order of sums.
    float mvp[3][4];
    for (int c = 0; c < 3; ++c) {
        product_column(projection, &wall[4 * c], mvp[c]);
    }
    float corner_sums[kCornersPerQuad][4];
    for (int k = 0; k < kCornersPerQuad; ++k) {
        const PhotoCorner& corner = kTileCorners[k];
        for (int r = 0; r < 4; ++r) {
            corner_sums[k][r] = corner.x * mvp[0][r] + corner.y * mvp[1][r] + corner.z * mvp[2][r];
        }
    }

    int block = first;
    for (int column = kFirstColumn; column < kFirstColumn + kTunnelColumns; ++column) {
        const float x = column + kHalfTile;
        for (int pattern_row = 0; pattern_row < kPatternRows; ++pattern_row) {
            const int block_end = block + pattern_row_counts[pattern_row] * kCornersPerQuad;
            int in_view_end = block;
            int loose_start = block_end;
            for (int k = 0; k < pattern_row_counts[pattern_row]; ++k) {
                const int row = pattern_rows[pattern_row][k];
                float translation[4];
                translated_column(wall, x, kWallDrop, -row - kHalfTile - timing_frac, translation);
                float offset[4];
                product_column(projection, translation, offset);
                float corners[kCornersPerQuad][4];
                bool in_view = true;
                for (int c = 0; c < kCornersPerQuad; ++c) {
                    for (int r = 0; r < 4; ++r) {
                        corners[c][r] = corner_sums[c][r] + offset[r];
                    }
                    in_view = in_view && inside_view(corners[c]);
                }
                int at = in_view_end;
                if (in_view) {
                    in_view_end += kCornersPerQuad;
                } else {
                    loose_start -= kCornersPerQuad;
                    at = loose_start;
                }
                for (int c = 0; c < kCornersPerQuad; ++c) {
                    for (int r = 0; r < 4; ++r) {
                        tunnel_positions[at + c][r] = corners[c][r];
                    }
                }
            }
            bind_photo(pattern_row * kTunnelColumns + (column - kFirstColumn));
            if (in_view_end > block) {
                glDrawArrays(GL_QUADS, block, in_view_end - block);
            }
            for (int loose = loose_start; loose < block_end; loose += kCornersPerQuad) {
                glDrawArrays(GL_QUADS, loose, kCornersPerQuad);
            }
            block = block_end;
        }
    }
    return block;
}
}  // namespace

void draw_tunnel()
{
    if (!tunnel_tex_coords_filled) {
        for (int v = 0; v < kTunnelVertices; ++v) {
            tunnel_tex_coords[v][0] = kTileCorners[v % kCornersPerQuad].u;
            tunnel_tex_coords[v][1] = kTileCorners[v % kCornersPerQuad].v;
        }
        tunnel_tex_coords_filled = true;
    }
    sort_rows_by_pattern();

    Matrix projection;
    Matrix walls[kWalls];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (int wall = 0; wall < kWalls; ++wall) {
        glPushMatrix();
        if (kWallTurns[wall] != 0.0f) {
            glRotatef(kWallTurns[wall], 0, 0, 1);
        }
        glGetFloatv(GL_MODELVIEW_MATRIX, walls[wall]);
        glPopMatrix();
    }

    // The corners are in clip space already. The projection is loaded back afterwards rather
    // than pushed: its stack may be only two deep, and the frame uses both.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(4, GL_FLOAT, 0, tunnel_positions);
    glTexCoordPointer(2, GL_FLOAT, 0, tunnel_tex_coords);
    int next = 0;
    for (const Matrix& wall : walls) {
        next = draw_wall(projection, wall, next);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
}
