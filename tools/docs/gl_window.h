#pragma once
// A real OpenGL window, set up the way the show sets itself up, to draw a chosen moment with
// the real render_frame() and read back what a viewer sees: the README's frames, and the tests
// and benchmarks that look at the drawing.

#include <cstdint>
#include <vector>

struct Rgb {
    int r;
    int g;
    int b;
};

// Sets W and H, opens a windowed OpenGL context of that size (SDL video only, no audio),
// applies the show's fixed OpenGL state and its canvas. Exits with status 2 on failure.
void open_gl_window(int width, int height);

// The clock at a given show time (180 BPM), then the real render_frame().
void render_at_ms(std::int32_t ms);

// A pixel of the frame last presented, x from the left and y from the top of the window.
Rgb pixel_at(int x, int y);

// The whole frame last presented, RGB, rows top first.
std::vector<unsigned char> read_frame();
