#include "scene/photo_cube.h"

// Not yet: the 3D layer comes with the pictures.
void draw_photo_cube(int /*beat*/) {}
void draw_cube(int /*first_photo*/, float /*half_edge*/) {}
void draw_tunnel() {}
void draw_tunnel_wall() {}
