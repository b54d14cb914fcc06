#pragma once
// The 3D layer: a photo cube that swells, shrinks and turns on the beat, inside a square
// tunnel of photo tiles streaming away from the viewer at one tile per beat. Drawn with the
// perspective projection current, the modelview at identity and depth testing on.

void draw_photo_cube(int beat);
void draw_cube(int first_photo, float half_edge);
void draw_tunnel();
void draw_tunnel_wall();
