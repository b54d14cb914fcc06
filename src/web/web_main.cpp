// The show's entry in a web page. The start-up list is the desktop's, with the page in place of
// the setup dialog: SDL (its event queue and ticks), the WebGL canvas, the music and every
// texture while the viewer reads the start page; then, for each click on Play, the clock and
// the music started together, the loop, and the page that offers to play again.
//
// Depends on the shared scene, assets, clock, event bindings and probe, and on the browser's
// branches beside it: the page, the loop's wait, the music and its clock.
#include "assets/texture_bank.h"
#include "core/beat_clock.h"
#include "core/screen.h"
#include "core/timeline.h"
#include "run/events.h"
#include "run/music.h"
#include "run/show_clock.h"
#include "scene/frame.h"
#include "web/loop_wait.h"
#include "web/start_page.h"

#include <SDL.h>

#include <cstdio>   // std::fprintf
#include <cstdlib>  // setenv

namespace {
// SDL 1.2 keeps its event queue only with a video driver running; the page draws, so the
// driver that draws nothing is the one.
void start_sdl()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_Init(SDL_INIT_VIDEO);
}

// Keys and clicks made on the start page are not the show's.
void drop_events()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
}

void run_main_loop()
{
    bool quit_requested = false;
    while (!quit_requested) {
        if (page_fit_canvas()) {
            setup_canvas();
        }
        tick_show_clock();
        render_frame();
        frame_shown();  // the page shows what it drew once this pass yields to the browser
        wait_for_next_frame();
        quit_requested = handle_show_events();
        if (timing_ms > kShowLengthMs) {
            break;
        }
    }
}
}  // namespace

int main()
{
    start_sdl();
    if (!page_open_canvas()) {
        std::fprintf(stderr, "corvanel: this browser gives the page no WebGL context\n");
        return 1;
    }
    set_fixed_gl_state();
    open_music();
    load_textures();
    page_listen();
    page_ready();
    for (;;) {
        page_wait_for_play();
        page_fit_canvas();
        setup_canvas();
        drop_events();
        start_show_clock();
        run_main_loop();
        close_music();
        page_show_ended();
    }
}
