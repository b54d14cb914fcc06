// The 36 photographs (see photos.h). Each scene is a handful of settings on one of three
// renderers; the helpers below pick camera spots so every view has a subject.
#include "photos.h"

#include "closeup.h"
#include "frame.h"
#include "landscape.h"

#include <cmath>
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

struct Plan {
    Kind kind = Kind::kLand;
    const char* title = "";
    Landscape land;
    Closeup close;
    Fractal fractal;
    Finish finish;
    float depth_of_field = 0.0f;  // blur radius as a share of the height, for close-ups
};

// Tries spots around the origin (on open water, or on dry land) and headings, and keeps
// the one whose tiny preview looks most like a picture worth taking: about `sky_share` of
// sky, nothing looming just in front of the lens, and ground at many distances, ridge
// behind ridge. With `keep_yaw` only the spot is chosen (the sun must stay in view).
void choose_viewpoint(Landscape& l, bool on_water, float sky_share, bool keep_yaw = false)
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

Plan plan_for(int index)
{
    Plan p;
    Landscape& l = p.land;
    Closeup& c = p.close;
    Fractal& f = p.fractal;
    p.finish.seed = 1000 + index;
    l.seed = 17 + index * 31;
    c.seed = 5 + index * 13;
    switch (index) {
        case 0:
            p.title = "alpine lake at noon";
            l.water_level = 80;
            l.snow_line = 380;
            l.tree_line = 220;
            l.eye_height = 4;
            l.pitch = 3;
            l.sun_azimuth = 140;
            l.sun_elevation = 45;
            l.cloud_cover = 0.35f;
            choose_viewpoint(l, true, 0.35f);
            break;
        case 1:
            p.kind = Kind::kClose;
            p.title = "cooling lava";
            c.surface = Surface::kLava;
            c.zoom = 2.0f;
            c.light_azimuth = 60;
            c.light = rgb(120, 110, 110);
            c.ambient = rgb(40, 30, 30);
            break;
        case 2:
            p.title = "summit at dawn";
            l.amplitude = 900;
            l.snow_line = 300;
            l.eye_height = 150;
            l.pitch = 8;
            l.fov = 60;
            l.sun_azimuth = 80;
            l.sun_elevation = 9;
            l.sun = rgb(255, 170, 120);
            l.sun_strength = 4.0f;
            l.zenith = rgb(70, 90, 150);
            l.horizon = rgb(230, 170, 150);
            l.haze = 0.00008f;
            choose_viewpoint(l, false, 0.35f);
            break;
        case 3:
            p.title = "dunes in the afternoon";
            l.terrain = Terrain::kDunes;
            l.scale = 1600;
            l.amplitude = 260;
            l.eye_height = 30;
            l.pitch = -4;
            l.soil = rgb(220, 150, 90);
            l.sun_azimuth = 250;
            l.sun_elevation = 14;
            l.sun = rgb(255, 225, 190);
            l.zenith = rgb(50, 100, 180);
            l.horizon = rgb(210, 200, 190);
            l.haze = 0.00008f;
            l.yaw = 100;
            break;
        case 4:
            p.kind = Kind::kClose;
            p.title = "bark of an old pine";
            c.surface = Surface::kBark;
            c.zoom = 1.6f;
            break;
        case 5:
            p.title = "misty hills in the morning";
            l.terrain = Terrain::kHills;
            l.scale = 1400;
            l.amplitude = 380;
            l.eye_height = 140;
            l.pitch = -4;
            l.tree_line = 600;
            l.grass = rgb(55, 85, 40);
            l.sun_azimuth = 100;
            l.sun_elevation = 8;
            l.sun = rgb(255, 215, 170);
            l.horizon = rgb(215, 205, 195);
            l.zenith = rgb(120, 150, 190);
            l.mist_density = 0.0003f;
            l.mist_height = 90;
            l.base = -40;
            l.haze = 0.00035f;
            choose_viewpoint(l, false, 0.3f);
            break;
        case 6:
            p.title = "sea cliffs at sunset";
            l.water_level = 40;
            l.amplitude = 350;
            l.eye_height = 25;
            l.pitch = 1;
            l.tree_line = 150;
            l.sun_azimuth = 270;
            l.sun_elevation = 3;
            l.sun = rgb(255, 140, 60);
            l.sun_strength = 4;
            l.zenith = rgb(40, 60, 120);
            l.horizon = rgb(240, 150, 90);
            l.cloud_cover = 0.4f;
            l.cloud_shadow = rgb(90, 60, 80);
            l.water = rgb(15, 25, 45);
            l.yaw = 255;
            choose_viewpoint(l, true, 0.35f, true);
            break;
        case 7:
            p.title = "peaks above a sea of clouds";
            l.amplitude = 1100;
            l.snow_line = 500;
            l.eye_height = 200;
            l.pitch = -4;
            l.fov = 45;
            l.cloud_cover = 0.9f;
            l.cloud_altitude = 250;
            l.cloud_scale = 900;
            l.sun_azimuth = 120;
            l.sun_elevation = 12;
            l.sun = rgb(255, 220, 180);
            l.zenith = rgb(40, 80, 160);
            l.horizon = rgb(190, 200, 215);
            choose_viewpoint(l, false, 0.45f);
            break;
        case 8:
            p.kind = Kind::kClose;
            p.title = "granite";
            c.surface = Surface::kGranite;
            c.zoom = 1.2f;
            break;
        case 9:
            p.title = "the galaxy over a ridge";
            l.night = true;
            l.stars = 0.025f;
            l.galaxy = 0.8f;
            l.eye_height = 260;
            l.pitch = 22;
            l.fov = 70;
            l.sun_azimuth = 200;
            l.sun_elevation = 8;
            l.sun = rgb(90, 100, 140);
            l.sun_strength = 0.5f;
            l.zenith = rgb(8, 12, 28);
            l.horizon = rgb(45, 48, 70);
            l.haze = 0.00005f;
            l.amplitude = 500.0f;
            choose_viewpoint(l, false, 0.7f);
            {
                // Tilt the band across the frame rather than straight up.
                float yaw = l.yaw * kPi / 180.0f;
                l.galaxy_pole =
                    normalize(Vec3{std::cos(yaw), 0.0f, std::sin(yaw)} * 0.6f + Vec3{0, 0.8f, 0});
            }
            break;
        case 10:
            p.title = "red mesas";
            l.terrain = Terrain::kMesa;
            l.scale = 1200;
            l.amplitude = 260;
            l.eye_height = 40;
            l.pitch = -2;
            l.rock = rgb(180, 100, 60);
            l.grass = rgb(120, 110, 60);
            l.sun_azimuth = 230;
            l.sun_elevation = 22;
            l.sun = rgb(255, 225, 190);
            l.zenith = rgb(40, 90, 180);
            l.horizon = rgb(200, 190, 180);
            l.haze = 0.00009f;
            l.cloud_cover = 0.25f;
            l.cloud_altitude = 3000;
            choose_viewpoint(l, false, 0.35f);
            break;
        case 11:
            p.title = "alpine panorama under cumulus";
            l.amplitude = 700;
            l.snow_line = 420;
            l.tree_line = 260;
            l.eye_height = 60;
            l.pitch = 2;
            l.sun_azimuth = 160;
            l.sun_elevation = 35;
            l.cloud_cover = 0.55f;
            l.cloud_altitude = 2200;
            choose_viewpoint(l, false, 0.35f);
            break;
        case 12:
            p.kind = Kind::kClose;
            p.title = "lake ice";
            c.surface = Surface::kIce;
            c.zoom = 1.5f;
            c.light = rgb(220, 235, 255);
            p.depth_of_field = 0.004f;
            break;
        case 13:
            p.kind = Kind::kFractal;
            p.title = "seahorse valley";
            f.centre_x = -0.7453;
            f.centre_y = 0.1127;
            f.span = 0.0065;
            f.max_iterations = 1200;
            f.d = {0.0f, 0.08f, 0.2f};
            f.ramp_density = 0.03f;
            f.a = {0.55f, 0.45f, 0.35f};
            f.b = {0.45f, 0.4f, 0.35f};
            break;
        case 14:
            p.title = "islands in a tropical sea";
            l.terrain = Terrain::kHills;
            l.scale = 1000;
            l.amplitude = 320;
            l.water_level = 35;
            l.tree_line = 300;
            l.grass = rgb(50, 100, 35);
            l.soil = rgb(235, 220, 180);
            l.water = rgb(10, 60, 110);
            l.shallows = rgb(40, 190, 190);
            l.eye_height = 90;
            l.pitch = -10;
            l.sun_azimuth = 170;
            l.sun_elevation = 55;
            l.zenith = rgb(30, 90, 200);
            l.horizon = rgb(170, 200, 230);
            l.cloud_cover = 0.3f;
            l.cloud_altitude = 1200;
            choose_viewpoint(l, true, 0.35f);
            break;
        case 15:
            p.kind = Kind::kClose;
            p.title = "river pebbles";
            c.surface = Surface::kPebbles;
            c.zoom = 1.8f;
            p.depth_of_field = 0.006f;
            break;
        case 16:
            p.title = "autumn hills at golden hour";
            l.terrain = Terrain::kHills;
            l.scale = 900;
            l.amplitude = 200;
            l.tree_line = 260;
            l.grass = rgb(150, 130, 60);
            l.eye_height = 90;
            l.pitch = -6;
            l.sun_azimuth = 240;
            l.sun_elevation = 9;
            l.sun = rgb(255, 190, 120);
            l.horizon = rgb(230, 200, 170);
            l.zenith = rgb(80, 110, 170);
            l.haze = 0.00018f;
            l.autumn = true;
            choose_viewpoint(l, false, 0.3f);
            break;
        case 17:
            p.title = "storm over a dark sea";
            l.terrain = Terrain::kHills;
            l.amplitude = 150;
            l.water_level = 60;
            l.eye_height = 8;
            l.pitch = 4;
            l.sun_azimuth = 35;
            l.sun_elevation = 10;
            l.sun = rgb(255, 230, 200);
            l.sun_strength = 3.0f;
            l.zenith = rgb(60, 65, 75);
            l.horizon = rgb(130, 135, 140);
            l.cloud_cover = 0.75f;
            l.cloud_altitude = 700;
            l.cloud_shadow = rgb(55, 58, 66);
            l.water = rgb(20, 28, 32);
            l.haze = 0.0003f;
            l.yaw = 30;
            choose_viewpoint(l, true, 0.35f, true);
            break;
        case 18:
            p.kind = Kind::kFractal;
            p.title = "dendrite julia";
            f.kind = FractalKind::kJulia;
            f.centre_x = 0.0;
            f.centre_y = 0.0;
            f.span = 3.0;
            f.julia_x = -0.8;
            f.julia_y = 0.156;
            f.max_iterations = 800;
            f.d = {0.1f, 0.15f, 0.2f};
            f.ramp_density = 0.04f;
            f.a = {0.3f, 0.45f, 0.6f};
            f.b = {0.3f, 0.35f, 0.4f};
            break;
        case 19:
            p.title = "fjord";
            l.amplitude = 850;
            l.water_level = 20;
            l.snow_line = 600;
            l.tree_line = 250;
            l.eye_height = 10;
            l.pitch = 10;
            l.fov = 65;
            l.sun_azimuth = 150;
            l.sun_elevation = 30;
            l.cloud_cover = 0.4f;
            l.cloud_altitude = 1800;
            choose_viewpoint(l, true, 0.35f);
            break;
        case 20:
            p.kind = Kind::kClose;
            p.title = "lichen on a boulder";
            c.surface = Surface::kLichen;
            c.zoom = 1.4f;
            break;
        case 21:
            p.kind = Kind::kClose;
            p.title = "cracked mud";
            c.surface = Surface::kMud;
            c.zoom = 2.2f;
            c.light_elevation = 25;
            break;
        case 22:
            p.kind = Kind::kFractal;
            p.title = "elephant valley";
            f.centre_x = 0.2822;
            f.centre_y = 0.0101;
            f.span = 0.012;
            f.max_iterations = 1500;
            f.d = {0.0f, 0.05f, 0.1f};
            f.ramp_density = 0.025f;
            f.a = {0.55f, 0.4f, 0.3f};
            f.b = {0.45f, 0.35f, 0.25f};
            break;
        case 23:
            p.title = "snowfields by moonlight";
            l.night = true;
            l.stars = 0.012f;
            l.amplitude = 700;
            l.snow_line = 150;
            l.eye_height = 80;
            l.pitch = 6;
            l.sun_azimuth = 160;
            l.sun_elevation = 25;
            l.sun = rgb(150, 170, 220);
            l.sun_strength = 1.2f;
            l.zenith = rgb(10, 18, 40);
            l.horizon = rgb(45, 60, 95);
            l.haze = 0.00008f;
            choose_viewpoint(l, false, 0.35f);
            break;
        case 24:
            p.title = "volcano at dusk";
            l.terrain = Terrain::kVolcano;
            l.scale = 2000;
            l.amplitude = 600;
            l.eye_height = 120;
            l.pitch = 3;
            l.rock = rgb(90, 75, 70);
            l.grass = rgb(60, 70, 40);
            l.sun_azimuth = 250;
            l.sun_elevation = 7;
            l.sun = rgb(255, 110, 50);
            l.zenith = rgb(60, 60, 110);
            l.horizon = rgb(235, 130, 80);
            l.cloud_cover = 0.45f;
            l.cloud_altitude = 2600;
            l.cloud_shadow = rgb(70, 50, 70);
            l.haze = 0.00015f;
            l.yaw = 0;
            l.sun_strength = 4.0f;
            break;
        case 25:
            p.kind = Kind::kClose;
            p.title = "polished marble";
            c.surface = Surface::kMarble;
            c.zoom = 1.0f;
            break;
        case 26:
            p.kind = Kind::kFractal;
            p.title = "burning ship's mast";
            f.kind = FractalKind::kBurningShip;
            f.centre_x = -1.762;
            f.centre_y = -0.028;
            f.span = 0.06;
            f.max_iterations = 600;
            f.d = {0.0f, 0.05f, 0.1f};
            f.c = {1.0f, 1.0f, 1.0f};
            f.ramp_density = 0.04f;
            f.a = {0.5f, 0.3f, 0.15f};
            f.b = {0.5f, 0.35f, 0.2f};
            break;
        case 27:
            p.title = "turquoise bay below cliffs";
            l.amplitude = 420;
            l.water_level = 60;
            l.tree_line = 250;
            l.grass = rgb(80, 110, 45);
            l.soil = rgb(230, 215, 175);
            l.water = rgb(10, 50, 95);
            l.shallows = rgb(40, 180, 180);
            l.eye_height = 160;
            l.pitch = -12;
            l.sun_azimuth = 200;
            l.sun_elevation = 50;
            l.zenith = rgb(40, 100, 200);
            choose_viewpoint(l, true, 0.12f);
            break;
        case 28:
            p.kind = Kind::kClose;
            p.title = "wind ripples in sand";
            c.surface = Surface::kSand;
            c.zoom = 1.3f;
            c.light_elevation = 18;
            p.depth_of_field = 0.006f;
            break;
        case 29:
            p.title = "still lake in dawn fog";
            l.terrain = Terrain::kHills;
            l.amplitude = 220;
            l.water_level = 34;
            l.tree_line = 400;
            l.grass = rgb(50, 80, 45);
            l.eye_height = 14;
            l.pitch = 2;
            l.sun_azimuth = 90;
            l.sun_elevation = 7;
            l.sun = rgb(255, 200, 160);
            l.horizon = rgb(190, 185, 190);
            l.zenith = rgb(120, 140, 175);
            l.mist_density = 0.0005f;
            l.mist_height = 40;
            l.base = 0;
            l.haze = 0.00015f;
            choose_viewpoint(l, true, 0.35f);
            break;
        case 30:
            p.title = "aurora over a lake";
            l.night = true;
            l.stars = 0.02f;
            l.aurora = 1.0f;
            l.water_level = 50;
            l.amplitude = 300;
            l.eye_height = 3;
            l.pitch = 14;
            l.fov = 70;
            l.sun_azimuth = 0;
            l.sun_elevation = -20;
            l.sun = rgb(40, 50, 70);
            l.sun_strength = 0.1f;
            l.zenith = rgb(2, 4, 10);
            l.horizon = rgb(10, 20, 30);
            l.haze = 0.00003f;
            l.yaw = 0;
            choose_viewpoint(l, true, 0.35f, true);
            break;
        case 31:
            p.title = "green hills in summer";
            l.terrain = Terrain::kHills;
            l.scale = 1200;
            l.amplitude = 240;
            l.tree_line = 180;
            l.grass = rgb(85, 115, 55);
            l.eye_height = 35;
            l.pitch = 0;
            l.sun_azimuth = 130;
            l.sun_elevation = 40;
            l.cloud_cover = 0.5f;
            l.cloud_altitude = 1500;
            choose_viewpoint(l, false, 0.35f);
            break;
        case 32:
            p.kind = Kind::kClose;
            p.title = "rust through blue paint";
            c.surface = Surface::kRust;
            c.zoom = 1.1f;
            break;
        case 33:
            p.kind = Kind::kFractal;
            p.title = "double spiral";
            f.centre_x = -0.743643887;
            f.centre_y = 0.131825904;
            f.span = 0.00012;
            f.max_iterations = 2500;
            f.d = {0.0f, 0.15f, 0.3f};
            f.ramp_density = 0.02f;
            f.a = {0.4f, 0.45f, 0.45f};
            f.b = {0.4f, 0.35f, 0.3f};
            break;
        case 34:
            p.kind = Kind::kClose;
            p.title = "frost on a window";
            c.surface = Surface::kFrost;
            c.zoom = 1.0f;
            c.light = rgb(200, 220, 255);
            break;
        case 35:
            p.kind = Kind::kClose;
            p.title = "end grain of a log";
            c.surface = Surface::kWood;
            c.zoom = 1.2f;
            break;
        default:
            throw std::out_of_range("no such photo");
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
    return plan_for(index).title;
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
