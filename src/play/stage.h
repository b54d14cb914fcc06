#pragma once
// What each stage the show plays on does its own way, behind the one sequence of the player
// (play/player.h). Each build links exactly one implementation: the desktop's window and sound
// device (run/show.cpp), the browser's page (web/web_main.cpp), the capture's offscreen frames
// and encoder (capture/main.cpp).
//
//   stage_start()          the show's clock and its music started together
//   stage_begin_pass()     the clock set for the frame about to be drawn; false: no more frames
//   stage_present_frame()  the frame just drawn shown (the swap; the browser's next animation
//                          frame; read back into the encoder) and the stage's events handled;
//                          false: the viewer or the stage asked to stop
//   stage_stop()           after the last pass, whichever way it ended

bool stage_begin_pass();
bool stage_present_frame();
void stage_start();
void stage_stop();
