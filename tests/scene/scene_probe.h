#pragma once
// What the scene tests see. Every picture in the bank is replaced by a marker picture: four
// flat quadrants whose colour says which picture it is (red) and which quadrant (green), so a
// single pixel of the presented frame tells which photo a face or tile shows and which way up.
// Also the scene's perspective as a viewer's geometry: where a point in front of the eye lands
// on the 1024 x 768 window.

#include <ostream>

enum Quadrant { top_left = 0, top_right = 1, bottom_left = 2, bottom_right = 3, no_quadrant = 4 };

// Bank positions: 4 extra pictures, 36 photos, the turning logo, the pulsing logo.
constexpr int kFirstPhotoPicture = 4;
constexpr int kSpinningLogoPicture = 40;
constexpr int kPulsingLogoPicture = 41;
constexpr int kNoPicture = -1;

// A picture and the quadrant of it seen at one pixel; kNoPicture where no marker is seen
// (the flash, or a blend of two pictures).
struct Seen {
    int picture;
    Quadrant quadrant;
};
bool operator==(const Seen& a, const Seen& b);
std::ostream& operator<<(std::ostream& out, const Seen& seen);

Seen photo(int p, Quadrant q);
Seen spinning_logo(Quadrant q);
Seen pulsing_logo(Quadrant q);
Seen nothing_marked();

// Fills the bank and the record tables the way load_textures() would, with marker pictures
// uploaded through the real upload_texture(): photos 64 x 64, fully opaque; the logos 256 x 256
// and 512 x 512, transparent but for a border band one sixteenth of their side wide, whose
// four halves-of-sides carry the quadrant colours (so rotations and mirrors show).
void load_marker_pictures();

// The marker picture and quadrant at a window pixel (x from the left, y from the top) of the
// frame last presented.
Seen seen_at(int x, int y);
Seen seen_at(double x, double y);

// Window position of a point in eye coordinates (the eye at the origin looking down -z, y up),
// through a 45-degree vertical field of view on the 1024 x 768 window.
struct ScreenPoint {
    double x;
    double y;
};
ScreenPoint project(double x, double y, double z);

// The show time, rounded up to a whole millisecond, at which the given beat has just begun.
int ms_at_beat(double beat);
