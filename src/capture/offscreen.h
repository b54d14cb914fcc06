#pragma once
// Somewhere to draw without a display: an OpenGL compatibility context through EGL (on a GPU's
// render node through GBM where the machine has one, else Mesa's surfaceless platform and its
// software rasteriser), drawing into a framebuffer object with colour and a 24-bit depth
// buffer. Frames are read back through a ring of pixel-buffer objects, so that reading one
// frame back does not wait for the next one to be drawn, and a mapped frame can be handed to
// another thread while drawing goes on.
//
//   offscreen_open(width, height, error)  context current on this thread, framebuffer bound
//   offscreen_read(slot)    starts copying the frame just drawn into a slot
//   offscreen_map(slot)     the slot's pixels, BGRA rows bottom first; valid until unmapped
//   offscreen_unmap(slot)   before the slot is read into again (on this thread)
//   offscreen_renderer()    what draws, for the log
//   offscreen_close()

#include <string>

constexpr int kReadbackSlots = 3;

bool offscreen_open(int width, int height, std::string& error);
void offscreen_read(int slot);
const unsigned char* offscreen_map(int slot);
void offscreen_unmap(int slot);
std::string offscreen_renderer();
void offscreen_close();
