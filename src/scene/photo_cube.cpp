// The photo cube, from vertex arrays. Reads the clock and the photo records; between frames it
// keeps only the arrays' storage.
#include "scene/photo_cube.h"

#include "core/beat_clock.h"
#include "core/picture_sets.h"
#include "core/timeline.h"
#include "scene/photo_quads.h"

namespace {
constexpr float kCubeDistance = 4.0f;  // the cube's centre, in front of the eye
constexpr float kDegreesPerTurn = 360.0f;
constexpr int kFacesPerCube = 6;
// The cube changes photos at each phrase, when it has shrunk to nothing.
constexpr int kBeatsPerPhotoGroup = kBeatsPerPhrase;
constexpr int kPhotoGroups = kPhotoCount / kFacesPerCube;

// One cube face: its normal and four (texture coordinate, corner) pairs, corners given as
// signs of the half-edge. The order and the coordinates decide which way up each photo shows.
struct CubeFace {
    float nx, ny, nz;
    PhotoCorner corners[kCornersPerQuad];
};

constexpr CubeFace kCubeFaces[kFacesPerCube] = {
    {1, 0, 0, {{0, 1, 1, -1, 1}, {0, 0, 1, 1, 1}, {1, 0, 1, 1, -1}, {1, 1, 1, -1, -1}}},
    {-1, 0, 0, {{1, 1, -1, -1, 1}, {1, 0, -1, 1, 1}, {0, 0, -1, 1, -1}, {0, 1, -1, -1, -1}}},
    {0, 1, 0, {{1, 1, -1, 1, 1}, {0, 1, 1, 1, 1}, {0, 0, 1, 1, -1}, {1, 0, -1, 1, -1}}},
    {0, -1, 0, {{0, 0, -1, -1, 1}, {1, 0, 1, -1, 1}, {1, 1, 1, -1, -1}, {0, 1, -1, -1, -1}}},
    {0, 0, 1, {{1, 1, 1, -1, 1}, {1, 0, 1, 1, 1}, {0, 0, -1, 1, 1}, {0, 1, -1, -1, 1}}},
    {0, 0, -1, {{0, 1, 1, -1, -1}, {0, 0, 1, 1, -1}, {1, 0, -1, 1, -1}, {1, 1, -1, -1, -1}}},
};

float cube_positions[kFacesPerCube * kCornersPerQuad][3];
float cube_tex_coords[kFacesPerCube * kCornersPerQuad][2];
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
        for (int k = 0; k < kCornersPerQuad; ++k) {
            const PhotoCorner& c = kCubeFaces[face].corners[k];
            float* position = cube_positions[face * kCornersPerQuad + k];
            position[0] = c.x * half_edge;
            position[1] = c.y * half_edge;
            position[2] = c.z * half_edge;
            cube_tex_coords[face * kCornersPerQuad + k][0] = c.u;
            cube_tex_coords[face * kCornersPerQuad + k][1] = c.v;
        }
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, cube_positions);
    glTexCoordPointer(2, GL_FLOAT, 0, cube_tex_coords);
    for (int face = 0; face < kFacesPerCube; ++face) {
        const CubeFace& f = kCubeFaces[face];
        bind_photo(first_photo + face);
        glNormal3f(f.nx, f.ny, f.nz);
        glDrawArrays(GL_QUADS, face * kCornersPerQuad, kCornersPerQuad);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindTexture(GL_TEXTURE_2D, 0);
}
