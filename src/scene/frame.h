#pragma once
// One frame of the show, drawn from the clock alone: the grey beat flash on the canvas, the 3D
// layer in perspective, the logo overlay back on the canvas. Drawing and presenting are apart:
// the caller shows the frame (the show swaps the window's buffers) or reads it back.
//
//   set_fixed_gl_state()  once per OpenGL context: the state every frame relies on
//   setup_canvas()        once per window size; does nothing for an empty window
//   render_frame()        the frame at the clock's current reading, into the back buffer

void set_fixed_gl_state();
void setup_canvas();
void render_frame();
void draw_flash();
void draw_rect(float x, float y, float w, float h);  // untextured, centred on (x, y)
