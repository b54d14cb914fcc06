// The web stage: the show's entry in a web page. The start-up list is the desktop's, with the
// page in place of the setup dialog: SDL (its event queue and ticks), the WebGL canvas, the
// music and every texture while the viewer reads the start page; then, for each click on Play,
// the player's sequence, and the page that offers to play again.
//
// Depends on the player and its clock, events and music (the browser's, web_music.cpp), and on
// the page and the loop's wait beside it.
#include "core/screen.h"
#include "play/events.h"
#include "play/music.h"
#include "play/player.h"
#include "play/show_clock.h"
#include "play/stage.h"
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
}  // namespace

void stage_start()
{
    page_fit_canvas();
    setup_canvas();
    drop_events();
    start_show_clock();
}

bool stage_begin_pass()
{
    if (page_fit_canvas()) {
        setup_canvas();
    }
    tick_show_clock();
    return true;
}

// The page shows what was drawn once this pass yields to the browser.
bool stage_present_frame()
{
    frame_shown();
    wait_for_next_frame();
    return !handle_show_events();
}

void stage_stop()
{
    close_music();
    page_show_ended();
}

int main()
{
    start_sdl();
    if (!page_open_canvas()) {
        std::fprintf(stderr, "corvanel: this browser gives the page no WebGL context\n");
        return 1;
    }
    open_music();
    player_load(page_loading);
    page_listen();
    page_ready();
    for (;;) {
        page_wait_for_play();
        player_play();
    }
}
