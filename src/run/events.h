#pragma once
// The viewer's controls: which SDL event asks the show for what. A pure mapping, so that the
// bindings can be checked without a window.

#include <SDL.h>

enum class ShowAction { none, quit, skip, probe_open, probe_close };

ShowAction action_for_event(const SDL_Event& event);
