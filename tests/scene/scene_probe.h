#pragma once
// What the scene tests see. Every picture in the bank is replaced by a marker picture of four
// flat quadrants whose colour names the picture (red) and the quadrant (green), so one pixel
// of the presented frame tells which photo a face or tile shows and which way up. Also where a
// point in front of the eye lands on the 1024 x 768 window.

#include <ostream>

enum Quadrant { top_left, top_right, bottom_left, bottom_right };

// Bank positions: 4 extra pictures, 36 photos, the turning logo, the pulsing logo.
constexpr int kFirstPhotoPicture = 4;
constexpr int kSpinningLogoPicture = 40;
constexpr int kPulsingLogoPicture = 41;
constexpr int kNoPicture = -1;

// A picture and the quadrant of it seen at one pixel; kNoPicture where no marker is seen
// (the flash, the background, or a blend of two pictures).
struct Seen {
    int picture;
    Quadrant quadrant;
};
bool operator==(const Seen& a, const Seen& b);
std::ostream& operator<<(std::ostream& out, const Seen& seen);

inline Seen photo(int p, Quadrant q)
{
    return Seen{kFirstPhotoPicture + p, q};
}

// Fills the bank and record tables as load_textures() would, through the real
// upload_texture(): opaque 64 x 64 photos; logos of 256 x 256 and 512 x 512, transparent but
// for a border band 1/16 of their side wide that carries the quadrant colours.
void load_marker_pictures();

// The marker at a window pixel (y from the top) of the frame last presented.
Seen seen_at(double x, double y);

// Window position of an eye-space point (eye at the origin looking down -z), 45-degree
// vertical field of view.
struct ScreenPoint {
    double x;
    double y;
};
ScreenPoint project(double x, double y, double z);

// The first whole millisecond at which the given beat has begun.
int ms_at_beat(double beat);
