#pragma once
// The screen the show draws on: the window's size in pixels and whether it fills the screen,
// chosen in the setup dialog and read by the window and the scene; and the canvas, the fixed
// 1024 x 768 plane (origin top-left, y down) that the flash and the logos are laid out on,
// stretched over the window whatever its size.

#include <cstdint>

// Written only through screen_resize(), by whoever decides the size: the setup dialog, the
// page's canvas, the capture's options.
extern std::int32_t W;  // screen width in pixels
extern std::int32_t H;  // screen height in pixels
extern bool fullscreen;

void screen_resize(std::int32_t width, std::int32_t height);

// Where the desktop shows the mode W x H stretched over a panel of another shape (XWayland
// scales a full-screen mode it only emulates to the whole output), the panel's size, so that
// the 3D scene keeps its shape; screen_resize() forgets it. screen_shown_aspect() is the
// width over the height of the picture as the viewer sees it: the panel's where stretched,
// else W / H (square pixels; 1 for a window with no height rather than a division by zero).
void screen_stretched_over(std::int32_t panel_width, std::int32_t panel_height);
double screen_shown_aspect();

// What the setup dialog starts from.
constexpr std::int32_t kDefaultWidth = 1024;
constexpr std::int32_t kDefaultHeight = 768;
constexpr bool kDefaultFullscreen = true;

constexpr float kCanvasWidth = 1024.0f;
constexpr float kCanvasHeight = 768.0f;
