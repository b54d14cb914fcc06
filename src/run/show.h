#pragma once
// The program's entry: the fixed start-up sequence, the main loop and the shutdown.
// Exit statuses: 0 after the show, -1 when the setup dialog is cancelled, 1 when the window
// cannot be opened or a picture cannot be converted.

#include <cstdint>

extern std::int32_t W;  // screen width in pixels
extern std::int32_t H;  // screen height in pixels
extern bool fullscreen;

constexpr std::int32_t kShowLengthMs = 180000;

int show_main(int argc, char* argv[]);

// The OpenGL state that holds for the whole run; needs a current context.
void set_fixed_gl_state();
