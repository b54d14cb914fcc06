#pragma once
// The show's sequence, the same on every stage (play/stage.h): what is drawn with set up and
// loaded, then the clock and the music started together, one pass per frame until the show's
// end or a stop, and the stage's own ending.
//
//   player_load()  once the stage has its OpenGL context: the fixed GL state, the canvas and
//                  every texture
//   player_play()  one whole show on the stage; timing_ms says where it ended

void player_load();
void player_play();
