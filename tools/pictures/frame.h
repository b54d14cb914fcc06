// Rendering photographs pixel by pixel: a linear-light frame, the threads that fill it, and
// the finishing that turns it into 8-bit sRGB the way a camera would (tone curve, vignette,
// a little sensor grain).
#pragma once

#include "encode.h"
#include "field.h"

#include <functional>
#include <vector>

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<Vec3> linear;  // rows top first
};

// Colour of the scene at a continuous position: x in [0, width), y in [0, height), y down.
using Shader = std::function<Vec3(float x, float y)>;

// Shades one sample per pixel, then spends three more on pixels whose brightness differs
// clearly from a neighbour's (silhouettes, sun discs, fine fractal detail), so edges are
// smooth without paying for supersampling everywhere. Rows are shared among `threads`
// workers; every pixel depends only on its position, so the result does not depend on
// how many threads ran.
Frame render_frame(int width, int height, const Shader& shade, int threads,
                   float edge_threshold = 0.08f);

struct Finish {
    float exposure = 1.0f;
    float vignette = 0.25f;  // darkening at the corners
    float grain = 0.012f;    // standard deviation-ish of the sensor noise
    float saturation = 1.0f;
    std::uint32_t seed = 1;
};

PixelBuffer finish_frame(const Frame& frame, const Finish& finish);

// Soft blur with a per-pixel mix toward the blurred picture: depth of field for close-ups.
void defocus(Frame& frame, float radius, const std::function<float(float x, float y)>& amount);
