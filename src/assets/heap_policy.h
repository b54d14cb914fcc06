#pragma once
// How glibc's heap should treat the process's memory while the pictures load and while frames
// are drawn: a choice for the whole process, so the player makes it, around
// load_textures(). Without glibc both calls do nothing.
//
//   heap_policy_for_loading()   before load_textures()
//   heap_policy_for_drawing()   after it, before the first frame

void heap_policy_for_loading();
void heap_policy_for_drawing();
