// The 36 photographs (see photos.h). Each scene is one entry of the table below: a handful of
// settings on one of three renderers, and for most landscapes a camera spot left to
// choose_viewpoint, which picks one so that every view has a subject.
#include "photos.h"

#include "closeup.h"
#include "frame.h"
#include "landscape.h"

#include <cmath>
#include <iterator>  // std::size
#include <optional>
#include <stdexcept>

namespace {

struct Size {
    int width, height;
};

// Pixel sizes in set order: landscape and portrait shapes, as the cube and tunnel expect.
constexpr Size kSizes[kPhotoCount] = {
    {640, 429},  {410, 322},   {592, 896},  {896, 592},  {640, 480},  {553, 407},
    {574, 384},  {623, 415},   {640, 425},  {800, 600},  {1024, 768}, {1280, 960},
    {1024, 768}, {276, 300},   {1024, 757}, {640, 480},  {1024, 768}, {896, 592},
    {393, 420},  {600, 800},   {1024, 757}, {756, 504},  {542, 471},  {800, 600},
    {800, 600},  {300, 205},   {336, 448},  {1280, 960}, {800, 600},  {640, 480},
    {800, 592},  {1280, 1024}, {480, 640},  {500, 374},  {480, 640},  {344, 480},
};

// Every third photo is progressive; the rest are baseline.
constexpr int kProgressiveEvery = 3;
// The one photo that carries bytes after its end marker, as some cameras write them.
constexpr int kTrailingPhoto = 13;
constexpr int kTrailingBytes = 3;

enum class Kind { kLand, kClose, kFractal };

// A landscape's camera spot and heading, left to choose_viewpoint: on open water or on dry
// land, about `sky_share` of sky in the frame, and with `keep_yaw` the scene's own heading.
struct Viewpoint {
    bool on_water = false;
    float sky_share = 0.0f;
    bool keep_yaw = false;
};

struct Plan {
    const char* title = "";
    Kind kind = Kind::kLand;
    // Only the record of the plan's kind is drawn. Every member has a default so that a
    // table entry names only what its scene changes.
    Landscape land{};
    Closeup close{};
    Fractal fractal{};
    Finish finish{};
    float depth_of_field = 0.0f;  // blur radius as a share of the height, for close-ups
    // Chosen after the settings, from the terrain they make; without one the camera stays at
    // `land.eye` facing `land.yaw`.
    std::optional<Viewpoint> viewpoint{};
    bool galaxy_across_view = false;  // turns the galaxy's band to cross the chosen view
};

// Tries spots around the origin (on open water, or on dry land) and headings, and keeps
// the one whose tiny preview looks most like a picture worth taking: about `sky_share` of
// sky, nothing looming just in front of the lens, and ground at many distances, ridge
// behind ridge. With `keep_yaw` only the spot is chosen (the sun must stay in view).
void choose_viewpoint(Landscape& l, bool on_water, float sky_share, bool keep_yaw)
{
    const int kW = 24, kH = 16, kSpots = 8;
    float best_score = -1e9f;
    Vec2 best_eye = l.eye;
    float best_yaw = l.yaw;
    int spots = 0;
    for (int i = 0; i < 3000 && spots < kSpots; ++i) {
        float r = 120.0f * std::sqrt(static_cast<float>(i)), a = i * 2.39996f;
        Vec2 p{r * std::cos(a), r * std::sin(a)};
        float ground = terrain_height(l, p, 6);
        bool wet = ground < l.water_level - 15.0f;
        bool shore = !wet && ground < l.water_level + 2.0f;
        if (wet != on_water || shore)
            continue;
        ++spots;
        Landscape c = l;
        c.eye = p;
        float ceiling = make_view(c, kW, kH).ceiling;
        for (int k = 0; k < (keep_yaw ? 1 : 12); ++k) {
            if (!keep_yaw)
                c.yaw = k * 30.0f;
            LandscapeView v = make_view(c, kW, kH, ceiling);
            float sky = 0, near = 0, land = 0, sum = 0, sum2 = 0;
            for (int y = 0; y < kH; ++y) {
                for (int x = 0; x < kW; ++x) {
                    RayHit h = first_hit(c, v, x + 0.5f, y + 0.5f, kW, kH);
                    if (h.kind == RayHit::kSky) {
                        sky += 1;
                        continue;
                    }
                    if (h.kind == RayHit::kGround) {
                        land += 1;
                        float lt = std::log(h.distance);
                        sum += lt;
                        sum2 += lt * lt;
                        if (h.distance < std::max(150.0f, 8.0f * c.eye_height))
                            near += 1;
                    }
                }
            }
            const float n = kW * kH;
            float spread =
                land > 1 ? std::sqrt(std::max(0.0f, sum2 / land - (sum / land) * (sum / land)))
                         : 0.0f;
            float score = -3.0f * std::fabs(sky / n - sky_share) - 8.0f * (near / n) +
                          0.6f * spread +
                          (on_water ? -4.0f * std::max(0.0f, 0.25f - land / n) : 0.0f);
            if (score > best_score) {
                best_score = score;
                best_eye = p;
                best_yaw = c.yaw;
            }
        }
    }
    l.eye = best_eye;
    l.yaw = best_yaw;
}

// The scenes in set order. plan_for adds what follows from the index (the seeds) and from
// the terrain each scene makes (camera spots).
const Plan kPlans[] = {
    // 00
    {.title = "alpine lake at noon",
     .kind = Kind::kLand,
     .land = {.water_level = 80,
              .snow_line = 380,
              .tree_line = 220,
              .eye_height = 4,
              .pitch = 3,
              .sun_azimuth = 140,
              .sun_elevation = 45,
              .cloud_cover = 0.35f},
     .viewpoint = Viewpoint{.on_water = true, .sky_share = 0.35f}},
    // 01
    {.title = "cooling lava",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kLava,
               .zoom = 2.0f,
               .light_azimuth = 60,
               .light = rgb(120, 110, 110),
               .ambient = rgb(40, 30, 30)}},
    // 02
    {.title = "summit at dawn",
     .kind = Kind::kLand,
     .land = {.amplitude = 900,
              .snow_line = 300,
              .eye_height = 150,
              .pitch = 8,
              .fov = 60,
              .sun_azimuth = 80,
              .sun_elevation = 9,
              .sun = rgb(255, 170, 120),
              .sun_strength = 4.0f,
              .zenith = rgb(70, 90, 150),
              .horizon = rgb(230, 170, 150),
              .haze = 0.00008f},
     .viewpoint = Viewpoint{.on_water = false, .sky_share = 0.35f}},
    // 03
    {.title = "dunes in the afternoon",
     .kind = Kind::kLand,
     .land = {.terrain = Terrain::kDunes,
              .scale = 1600,
              .amplitude = 260,
              .soil = rgb(220, 150, 90),
              .eye_height = 30,
              .yaw = 100,
              .pitch = -4,
              .sun_azimuth = 250,
              .sun_elevation = 14,
              .sun = rgb(255, 225, 190),
              .zenith = rgb(50, 100, 180),
              .horizon = rgb(210, 200, 190),
              .haze = 0.00008f}},
    // 04
    {.title = "bark of an old pine",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kBark, .zoom = 1.6f}},
    // 05
    {.title = "misty hills in the morning",
     .kind = Kind::kLand,
     .land = {.terrain = Terrain::kHills,
              .scale = 1400,
              .amplitude = 380,
              .base = -40,
              .tree_line = 600,
              .grass = rgb(55, 85, 40),
              .eye_height = 140,
              .pitch = -4,
              .sun_azimuth = 100,
              .sun_elevation = 8,
              .sun = rgb(255, 215, 170),
              .zenith = rgb(120, 150, 190),
              .horizon = rgb(215, 205, 195),
              .haze = 0.00035f,
              .mist_density = 0.0003f,
              .mist_height = 90},
     .viewpoint = Viewpoint{.on_water = false, .sky_share = 0.3f}},
    // 06
    {.title = "sea cliffs at sunset",
     .kind = Kind::kLand,
     .land = {.amplitude = 350,
              .water_level = 40,
              .tree_line = 150,
              .water = rgb(15, 25, 45),
              .eye_height = 25,
              .yaw = 255,
              .pitch = 1,
              .sun_azimuth = 270,
              .sun_elevation = 3,
              .sun = rgb(255, 140, 60),
              .sun_strength = 4,
              .zenith = rgb(40, 60, 120),
              .horizon = rgb(240, 150, 90),
              .cloud_cover = 0.4f,
              .cloud_shadow = rgb(90, 60, 80)},
     .viewpoint = Viewpoint{.on_water = true, .sky_share = 0.35f, .keep_yaw = true}},
    // 07
    {.title = "peaks above a sea of clouds",
     .kind = Kind::kLand,
     .land = {.amplitude = 1100,
              .snow_line = 500,
              .eye_height = 200,
              .pitch = -4,
              .fov = 45,
              .sun_azimuth = 120,
              .sun_elevation = 12,
              .sun = rgb(255, 220, 180),
              .zenith = rgb(40, 80, 160),
              .horizon = rgb(190, 200, 215),
              .cloud_cover = 0.9f,
              .cloud_altitude = 250,
              .cloud_scale = 900},
     .viewpoint = Viewpoint{.on_water = false, .sky_share = 0.45f}},
    // 08
    {.title = "granite",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kGranite, .zoom = 1.2f}},
    // 09
    {.title = "the galaxy over a ridge",
     .kind = Kind::kLand,
     .land = {.amplitude = 500.0f,
              .eye_height = 260,
              .pitch = 22,
              .fov = 70,
              .sun_azimuth = 200,
              .sun_elevation = 8,
              .sun = rgb(90, 100, 140),
              .sun_strength = 0.5f,
              .zenith = rgb(8, 12, 28),
              .horizon = rgb(45, 48, 70),
              .haze = 0.00005f,
              .night = true,
              .stars = 0.025f,
              .galaxy = 0.8f},
     .viewpoint = Viewpoint{.on_water = false, .sky_share = 0.7f},
     .galaxy_across_view = true},
    // 10
    {.title = "red mesas",
     .kind = Kind::kLand,
     .land = {.terrain = Terrain::kMesa,
              .scale = 1200,
              .amplitude = 260,
              .grass = rgb(120, 110, 60),
              .rock = rgb(180, 100, 60),
              .eye_height = 40,
              .pitch = -2,
              .sun_azimuth = 230,
              .sun_elevation = 22,
              .sun = rgb(255, 225, 190),
              .zenith = rgb(40, 90, 180),
              .horizon = rgb(200, 190, 180),
              .haze = 0.00009f,
              .cloud_cover = 0.25f,
              .cloud_altitude = 3000},
     .viewpoint = Viewpoint{.on_water = false, .sky_share = 0.35f}},
    // 11
    {.title = "alpine panorama under cumulus",
     .kind = Kind::kLand,
     .land = {.amplitude = 700,
              .snow_line = 420,
              .tree_line = 260,
              .eye_height = 60,
              .pitch = 2,
              .sun_azimuth = 160,
              .sun_elevation = 35,
              .cloud_cover = 0.55f,
              .cloud_altitude = 2200},
     .viewpoint = Viewpoint{.on_water = false, .sky_share = 0.35f}},
    // 12
    {.title = "lake ice",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kIce, .zoom = 1.5f, .light = rgb(220, 235, 255)},
     .depth_of_field = 0.004f},
    // 13
    {.title = "seahorse valley",
     .kind = Kind::kFractal,
     .fractal = {.centre_x = -0.7453,
                 .centre_y = 0.1127,
                 .span = 0.0065,
                 .max_iterations = 1200,
                 .a = {0.55f, 0.45f, 0.35f},
                 .b = {0.45f, 0.4f, 0.35f},
                 .d = {0.0f, 0.08f, 0.2f},
                 .ramp_density = 0.03f}},
    // 14
    {.title = "islands in a tropical sea",
     .kind = Kind::kLand,
     .land = {.terrain = Terrain::kHills,
              .scale = 1000,
              .amplitude = 320,
              .water_level = 35,
              .tree_line = 300,
              .grass = rgb(50, 100, 35),
              .soil = rgb(235, 220, 180),
              .water = rgb(10, 60, 110),
              .shallows = rgb(40, 190, 190),
              .eye_height = 90,
              .pitch = -10,
              .sun_azimuth = 170,
              .sun_elevation = 55,
              .zenith = rgb(30, 90, 200),
              .horizon = rgb(170, 200, 230),
              .cloud_cover = 0.3f,
              .cloud_altitude = 1200},
     .viewpoint = Viewpoint{.on_water = true, .sky_share = 0.35f}},
    // 15
    {.title = "river pebbles",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kPebbles, .zoom = 1.8f},
     .depth_of_field = 0.006f},
    // 16
    {.title = "autumn hills at golden hour",
     .kind = Kind::kLand,
     .land = {.terrain = Terrain::kHills,
              .scale = 900,
              .amplitude = 200,
              .tree_line = 260,
              .grass = rgb(150, 130, 60),
              .autumn = true,
              .eye_height = 90,
              .pitch = -6,
              .sun_azimuth = 240,
              .sun_elevation = 9,
              .sun = rgb(255, 190, 120),
              .zenith = rgb(80, 110, 170),
              .horizon = rgb(230, 200, 170),
              .haze = 0.00018f},
     .viewpoint = Viewpoint{.on_water = false, .sky_share = 0.3f}},
    // 17
    {.title = "storm over a dark sea",
     .kind = Kind::kLand,
     .land = {.terrain = Terrain::kHills,
              .amplitude = 150,
              .water_level = 60,
              .water = rgb(20, 28, 32),
              .eye_height = 8,
              .yaw = 30,
              .pitch = 4,
              .sun_azimuth = 35,
              .sun_elevation = 10,
              .sun = rgb(255, 230, 200),
              .sun_strength = 3.0f,
              .zenith = rgb(60, 65, 75),
              .horizon = rgb(130, 135, 140),
              .haze = 0.0003f,
              .cloud_cover = 0.75f,
              .cloud_altitude = 700,
              .cloud_shadow = rgb(55, 58, 66)},
     .viewpoint = Viewpoint{.on_water = true, .sky_share = 0.35f, .keep_yaw = true}},
    // 18
    {.title = "dendrite julia",
     .kind = Kind::kFractal,
     .fractal = {.kind = FractalKind::kJulia,
                 .centre_x = 0.0,
                 .centre_y = 0.0,
                 .span = 3.0,
                 .julia_x = -0.8,
                 .julia_y = 0.156,
                 .max_iterations = 800,
                 .a = {0.3f, 0.45f, 0.6f},
                 .b = {0.3f, 0.35f, 0.4f},
                 .d = {0.1f, 0.15f, 0.2f},
                 .ramp_density = 0.04f}},
    // 19
    {.title = "fjord",
     .kind = Kind::kLand,
     .land = {.amplitude = 850,
              .water_level = 20,
              .snow_line = 600,
              .tree_line = 250,
              .eye_height = 10,
              .pitch = 10,
              .fov = 65,
              .sun_azimuth = 150,
              .sun_elevation = 30,
              .cloud_cover = 0.4f,
              .cloud_altitude = 1800},
     .viewpoint = Viewpoint{.on_water = true, .sky_share = 0.35f}},
    // 20
    {.title = "lichen on a boulder",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kLichen, .zoom = 1.4f}},
    // 21
    {.title = "cracked mud",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kMud, .zoom = 2.2f, .light_elevation = 25}},
    // 22
    {.title = "elephant valley",
     .kind = Kind::kFractal,
     .fractal = {.centre_x = 0.2822,
                 .centre_y = 0.0101,
                 .span = 0.012,
                 .max_iterations = 1500,
                 .a = {0.55f, 0.4f, 0.3f},
                 .b = {0.45f, 0.35f, 0.25f},
                 .d = {0.0f, 0.05f, 0.1f},
                 .ramp_density = 0.025f}},
    // 23
    {.title = "snowfields by moonlight",
     .kind = Kind::kLand,
     .land = {.amplitude = 700,
              .snow_line = 150,
              .eye_height = 80,
              .pitch = 6,
              .sun_azimuth = 160,
              .sun_elevation = 25,
              .sun = rgb(150, 170, 220),
              .sun_strength = 1.2f,
              .zenith = rgb(10, 18, 40),
              .horizon = rgb(45, 60, 95),
              .haze = 0.00008f,
              .night = true,
              .stars = 0.012f},
     .viewpoint = Viewpoint{.on_water = false, .sky_share = 0.35f}},
    // 24
    {.title = "volcano at dusk",
     .kind = Kind::kLand,
     .land = {.terrain = Terrain::kVolcano,
              .scale = 2000,
              .amplitude = 600,
              .grass = rgb(60, 70, 40),
              .rock = rgb(90, 75, 70),
              .eye_height = 120,
              .yaw = 0,
              .pitch = 3,
              .sun_azimuth = 250,
              .sun_elevation = 7,
              .sun = rgb(255, 110, 50),
              .sun_strength = 4.0f,
              .zenith = rgb(60, 60, 110),
              .horizon = rgb(235, 130, 80),
              .haze = 0.00015f,
              .cloud_cover = 0.45f,
              .cloud_altitude = 2600,
              .cloud_shadow = rgb(70, 50, 70)}},
    // 25
    {.title = "polished marble",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kMarble, .zoom = 1.0f}},
    // 26
    {.title = "burning ship's mast",
     .kind = Kind::kFractal,
     .fractal = {.kind = FractalKind::kBurningShip,
                 .centre_x = -1.762,
                 .centre_y = -0.028,
                 .span = 0.06,
                 .max_iterations = 600,
                 .a = {0.5f, 0.3f, 0.15f},
                 .b = {0.5f, 0.35f, 0.2f},
                 .c = {1.0f, 1.0f, 1.0f},
                 .d = {0.0f, 0.05f, 0.1f},
                 .ramp_density = 0.04f}},
    // 27
    {.title = "turquoise bay below cliffs",
     .kind = Kind::kLand,
     .land = {.amplitude = 420,
              .water_level = 60,
              .tree_line = 250,
              .grass = rgb(80, 110, 45),
              .soil = rgb(230, 215, 175),
              .water = rgb(10, 50, 95),
              .shallows = rgb(40, 180, 180),
              .eye_height = 160,
              .pitch = -12,
              .sun_azimuth = 200,
              .sun_elevation = 50,
              .zenith = rgb(40, 100, 200)},
     .viewpoint = Viewpoint{.on_water = true, .sky_share = 0.12f}},
    // 28
    {.title = "wind ripples in sand",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kSand, .zoom = 1.3f, .light_elevation = 18},
     .depth_of_field = 0.006f},
    // 29
    {.title = "still lake in dawn fog",
     .kind = Kind::kLand,
     .land = {.terrain = Terrain::kHills,
              .amplitude = 220,
              .base = 0,
              .water_level = 34,
              .tree_line = 400,
              .grass = rgb(50, 80, 45),
              .eye_height = 14,
              .pitch = 2,
              .sun_azimuth = 90,
              .sun_elevation = 7,
              .sun = rgb(255, 200, 160),
              .zenith = rgb(120, 140, 175),
              .horizon = rgb(190, 185, 190),
              .haze = 0.00015f,
              .mist_density = 0.0005f,
              .mist_height = 40},
     .viewpoint = Viewpoint{.on_water = true, .sky_share = 0.35f}},
    // 30
    {.title = "aurora over a lake",
     .kind = Kind::kLand,
     .land = {.amplitude = 300,
              .water_level = 50,
              .eye_height = 3,
              .yaw = 0,
              .pitch = 14,
              .fov = 70,
              .sun_azimuth = 0,
              .sun_elevation = -20,
              .sun = rgb(40, 50, 70),
              .sun_strength = 0.1f,
              .zenith = rgb(2, 4, 10),
              .horizon = rgb(10, 20, 30),
              .haze = 0.00003f,
              .night = true,
              .stars = 0.02f,
              .aurora = 1.0f},
     .viewpoint = Viewpoint{.on_water = true, .sky_share = 0.35f, .keep_yaw = true}},
    // 31
    {.title = "green hills in summer",
     .kind = Kind::kLand,
     .land = {.terrain = Terrain::kHills,
              .scale = 1200,
              .amplitude = 240,
              .tree_line = 180,
              .grass = rgb(85, 115, 55),
              .eye_height = 35,
              .pitch = 0,
              .sun_azimuth = 130,
              .sun_elevation = 40,
              .cloud_cover = 0.5f,
              .cloud_altitude = 1500},
     .viewpoint = Viewpoint{.on_water = false, .sky_share = 0.35f}},
    // 32
    {.title = "rust through blue paint",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kRust, .zoom = 1.1f}},
    // 33
    {.title = "double spiral",
     .kind = Kind::kFractal,
     .fractal = {.centre_x = -0.743643887,
                 .centre_y = 0.131825904,
                 .span = 0.00012,
                 .max_iterations = 2500,
                 .a = {0.4f, 0.45f, 0.45f},
                 .b = {0.4f, 0.35f, 0.3f},
                 .d = {0.0f, 0.15f, 0.3f},
                 .ramp_density = 0.02f}},
    // 34
    {.title = "frost on a window",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kFrost, .zoom = 1.0f, .light = rgb(200, 220, 255)}},
    // 35
    {.title = "end grain of a log",
     .kind = Kind::kClose,
     .close = {.surface = Surface::kWood, .zoom = 1.2f}},
};
static_assert(std::size(kPlans) == kPhotoCount, "one scene per photo");

const Plan& table_entry(int index)
{
    if (index < 0 || index >= kPhotoCount) {
        throw std::out_of_range("no such photo");
    }
    return kPlans[index];
}

Plan plan_for(int index)
{
    Plan p = table_entry(index);
    // Seeds follow the index, so no two photos share their noise.
    p.finish.seed = 1000 + index;
    p.land.seed = 17 + index * 31;
    p.close.seed = 5 + index * 13;
    if (p.viewpoint) {
        choose_viewpoint(p.land, p.viewpoint->on_water, p.viewpoint->sky_share,
                         p.viewpoint->keep_yaw);
    }
    if (p.galaxy_across_view) {
        // Tilt the band across the frame rather than straight up.
        float yaw = p.land.yaw * kPi / 180.0f;
        p.land.galaxy_pole =
            normalize(Vec3{std::cos(yaw), 0.0f, std::sin(yaw)} * 0.6f + Vec3{0, 0.8f, 0});
    }
    return p;
}

}  // namespace

PhotoFormat photo_format(int index)
{
    if (index < 0 || index >= kPhotoCount) {
        throw std::out_of_range("no such photo");
    }
    return {kSizes[index].width, kSizes[index].height, index % kProgressiveEvery == 1,
            index == kTrailingPhoto ? kTrailingBytes : 0};
}

std::string photo_title(int index)
{
    // From the table alone: the title needs no camera spot chosen.
    return table_entry(index).title;
}

PixelBuffer render_photo(int index, int width, int height, int threads)
{
    Plan p = plan_for(index);
    Frame frame;
    switch (p.kind) {
        case Kind::kLand: {
            LandscapeView view = make_view(p.land, width, height);
            frame = render_frame(
                width, height,
                [&](float x, float y) {
                    return shade_landscape(p.land, view, x, y, width, height);
                },
                threads);
            break;
        }
        case Kind::kClose:
            frame = render_frame(
                width, height,
                [&](float x, float y) { return shade_closeup(p.close, x, y, width, height); },
                threads);
            if (p.depth_of_field > 0.0f) {
                // Sharp across the middle band, softer toward top and bottom: a tilted lens.
                defocus(frame, p.depth_of_field * height, [&](float, float y) {
                    float d = std::fabs(y / height - 0.55f);
                    return smoothstep(0.12f, 0.45f, d);
                });
            }
            break;
        case Kind::kFractal:
            frame = render_frame(
                width, height,
                [&](float x, float y) { return shade_fractal(p.fractal, x, y, width, height); },
                threads, 0.05f);
            break;
    }
    return finish_frame(frame, p.finish);
}

Bytes photo_file(int index, int threads)
{
    PhotoFormat format = photo_format(index);
    PixelBuffer pixels = render_photo(index, format.width, format.height, threads);
    JpegOptions options;
    options.progressive = format.progressive;
    Bytes bytes = encode_jpeg(pixels, options);
    bytes.insert(bytes.end(), format.trailing_zero_bytes, 0);
    return bytes;
}
