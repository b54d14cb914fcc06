#pragma once
// One frame of the show, drawn from the clock alone: the grey beat flash on the 1024 x 768
// canvas, the 3D layer in perspective, the logo overlay back on the canvas, then the swap.
// The canvas has its origin top-left with y down and fills the window whatever its size.

constexpr float kCanvasWidth = 1024.0f;
constexpr float kCanvasHeight = 768.0f;

void setup_canvas();  // once at start-up; does nothing for an empty window
void render_frame();  // once per loop pass; presents the frame as its last action
void draw_flash();
void draw_rect(float x, float y, float w, float h);  // untextured, centred on (x, y)
