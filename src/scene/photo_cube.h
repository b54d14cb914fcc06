#pragma once
// The 3D layer: a photo cube that swells, shrinks and turns on the beat, inside a square
// tunnel of photo tiles streaming away from the viewer at one tile per beat. Drawn with the
// perspective projection current, the modelview at identity and depth testing on; each leaves
// the matrices as it found them.

void draw_photo_cube(int beat);
void draw_cube(int first_photo, float half_edge);
void draw_tunnel();
