#pragma once
// The tunnel of the 3D layer: four walls of photo tiles streaming away from the viewer at one
// tile per beat, the 36 photos read as 9 rows of 4. Drawn after the cube, with the perspective
// projection current, the modelview at identity and depth testing on; it leaves the matrices
// as it found them.

void draw_tunnel();
