#pragma once
// The logo overlay on the 1024 x 768 canvas: from beat 128 on, a turning logo above a
// pulsing one, both centred horizontally and drawn at their own pixel size.

#include "assets/texture_bank.h"

void draw_logos();
void draw_sprite(const TextureRecord& record, float x, float y, float w, float h);
