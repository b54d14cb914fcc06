#pragma once
// The viewer's controls: which SDL event asks the show for what, and the drain of SDL's event
// queue that each pass of a real-time stage makes. The page hands the browser's keys and clicks
// to SDL's queue, so the same bindings hold on the desktop and in the browser.

#include <SDL.h>

enum class ShowAction { none, quit, skip, probe_open, probe_close };

ShowAction action_for_event(const SDL_Event& event);

// Handles every event waiting: the skip, the probe. True when the viewer asked to quit; events
// after the request are still handled, so a key released in the same pass still closes its
// probe line.
bool handle_show_events();
