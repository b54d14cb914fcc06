#pragma once
// The show loop's wait in the browser: where the desktop loop sleeps 10 ms between passes, the
// page's loop waits for the browser's next animation frame. The loop keeps its blocking shape
// (the build unwinds and rewinds it around the wait), and the browser presents every frame
// drawn: a loop that slept instead would run 50 passes a second and have 5 of them shown.

void wait_for_next_frame();
