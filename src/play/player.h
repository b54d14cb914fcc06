#pragma once
// The show's sequence, the same on every stage (play/stage.h): what is drawn with set up and
// loaded, then the clock and the music started together, one pass per frame until the show's
// end or a stop, and the stage's own ending.
//
//   player_load(progress)  once the stage has its OpenGL context: the fixed GL state, the
//                  canvas and every texture (told to `progress` as load_textures says)
//   player_play()  one whole show on the stage; timing_ms says where it ended

#include "assets/texture_bank.h"  // LoadProgress

void player_load(LoadProgress progress = nullptr);
void player_play();
