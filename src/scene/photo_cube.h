#pragma once
// The photo cube of the 3D layer: it swells and shrinks over 32 beats, turns once every 8 and
// changes its six photos at each phrase. Drawn with the perspective projection current, the
// modelview at identity and depth testing on; it leaves the matrices as it found them.

void draw_photo_cube(int beat);
void draw_cube(int first_photo, float half_edge);
