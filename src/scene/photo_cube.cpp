// The cube and the tunnel, in immediate mode with one bind per textured quad. Reads the clock
// and the photo records; keeps nothing between frames. The tunnel's 4 096 binds and matrix
// pushes are most of what a frame costs; they stay one per tile, drawn in this order, because
// the frame is meant to be exactly this drawing: nothing here is batched, culled or reordered.
#include "scene/photo_cube.h"

#include "assets/texture_bank.h"
#include "core/beat_clock.h"
#include "core/timeline.h"

#include <SDL_opengl.h>

namespace {
constexpr float kCubeDistance = 4.0f;  // the cube's centre, in front of the eye
constexpr float kDegreesPerTurn = 360.0f;
constexpr int kFacesPerCube = 6;
// The cube changes photos at each phrase, when it has shrunk to nothing.
constexpr int kBeatsPerPhotoGroup = kBeatsPerPhrase;
constexpr int kPhotoGroups = 6;  // 36 photos, six at a time

constexpr int kTunnelColumns = 4;  // tiles across a wall, x from -2 to 2
constexpr int kFirstColumn = -2;
constexpr int kTunnelRows = 256;  // tiles along a wall, away from the viewer
constexpr int kPatternRows = 9;   // the 36 photos read as 9 rows of 4
// Keeps the pattern row's dividend positive for any beat count below it.
constexpr int kPatternOffset = 900000;
constexpr float kWallDrop = -2.0f;  // each tile's frame; its face is half a unit up, at -1.5
constexpr float kHalfTile = 0.5f;

// The wall angles about the view axis: floor, ceiling, then the two sides.
constexpr float kWallTurns[] = {0.0f, 180.0f, 90.0f, 270.0f};

void bind_photo(int photo)
{
    glBindTexture(GL_TEXTURE_2D, bank_texture(photo_records[photo].index));
}

// One cube face: its normal and four (texture coordinate, corner) pairs, corners given as
// signs of the half-edge. The order and the coordinates decide which way up each photo shows.
struct CubeCorner {
    float u, v;
    float x, y, z;
};
struct CubeFace {
    float nx, ny, nz;
    CubeCorner corners[4];
};

constexpr CubeFace kCubeFaces[kFacesPerCube] = {
    {1, 0, 0, {{0, 1, 1, -1, 1}, {0, 0, 1, 1, 1}, {1, 0, 1, 1, -1}, {1, 1, 1, -1, -1}}},
    {-1, 0, 0, {{1, 1, -1, -1, 1}, {1, 0, -1, 1, 1}, {0, 0, -1, 1, -1}, {0, 1, -1, -1, -1}}},
    {0, 1, 0, {{1, 1, -1, 1, 1}, {0, 1, 1, 1, 1}, {0, 0, 1, 1, -1}, {1, 0, -1, 1, -1}}},
    {0, -1, 0, {{0, 0, -1, -1, 1}, {1, 0, 1, -1, 1}, {1, 1, 1, -1, -1}, {0, 1, -1, -1, -1}}},
    {0, 0, 1, {{1, 1, 1, -1, 1}, {1, 0, 1, 1, 1}, {0, 0, -1, 1, 1}, {0, 1, -1, -1, 1}}},
    {0, 0, -1, {{0, 1, 1, -1, -1}, {0, 0, 1, 1, -1}, {1, 0, -1, 1, -1}, {1, 1, -1, -1, -1}}},
};
}  // namespace

void draw_photo_cube(int beat)
{
    glPushMatrix();
    glTranslatef(0, 0, -kCubeDistance);
    // Spins about the vertical axis for the first half of each 32-beat cycle, then about the
    // horizontal one; one full turn every 8 beats either way.
    const float angle = beat_phase(kPer8Beats) * kDegreesPerTurn;
    const bool second_half = beat_phase(kPer32Beats) >= 0.5f;
    glRotatef(angle, second_half ? 1.0f : 0.0f, second_half ? 0.0f : 1.0f, 0);
    const float half_edge = beat_wave(kPer32Beats);
    const int group = (beat / kBeatsPerPhotoGroup) % kPhotoGroups;
    draw_cube(group * kFacesPerCube, half_edge);
    glPopMatrix();
}

void draw_cube(int first_photo, float half_edge)
{
    for (int face = 0; face < kFacesPerCube; ++face) {
        bind_photo(first_photo + face);
        const CubeFace& f = kCubeFaces[face];
        glBegin(GL_QUADS);
        glNormal3f(f.nx, f.ny, f.nz);
        for (const CubeCorner& c : f.corners) {
            glTexCoord2f(c.u, c.v);
            glVertex3f(c.x * half_edge, c.y * half_edge, c.z * half_edge);
        }
        glEnd();
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void draw_tunnel()
{
    for (const float turn : kWallTurns) {
        glPushMatrix();
        if (turn != 0.0f) {
            glRotatef(turn, 0, 0, 1);
        }
        draw_tunnel_wall();
        glPopMatrix();
    }
}

void draw_tunnel_wall()
{
    const int beats = static_cast<int>(timing_beats);
    for (int column = kFirstColumn; column < kFirstColumn + kTunnelColumns; ++column) {
        const float x = column + kHalfTile;
        for (int row = 0; row < kTunnelRows; ++row) {
            // The tile in `row` shows pattern row (row - beats) mod 9: each pattern row moves one
            // tile further away per beat, and timing_frac slides it smoothly in between.
            const int pattern_row = (row - beats + kPatternOffset) % kPatternRows;
            bind_photo(pattern_row * kTunnelColumns + (column - kFirstColumn));
            glPushMatrix();
            glTranslatef(x, kWallDrop, -row - kHalfTile - timing_frac);
            glBegin(GL_QUADS);
            glNormal3f(0, 1, 0);
            glTexCoord2f(1, 1);
            glVertex3f(-kHalfTile, kHalfTile, kHalfTile);
            glTexCoord2f(0, 1);
            glVertex3f(kHalfTile, kHalfTile, kHalfTile);
            glTexCoord2f(0, 0);
            glVertex3f(kHalfTile, kHalfTile, -kHalfTile);
            glTexCoord2f(1, 0);
            glVertex3f(-kHalfTile, kHalfTile, -kHalfTile);
            glEnd();
            glPopMatrix();
        }
    }
}
