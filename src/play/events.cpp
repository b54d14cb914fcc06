#include "play/events.h"

#include "play/probe.h"
#include "play/show_clock.h"

ShowAction action_for_event(const SDL_Event& event)
{
    switch (event.type) {
        case SDL_KEYDOWN:
            switch (event.key.keysym.sym) {
                case SDLK_ESCAPE:
                    return ShowAction::quit;
                case SDLK_t:
                    return ShowAction::probe_open;
                case SDLK_s:
                    return ShowAction::skip;
                default:
                    return ShowAction::none;
            }
        case SDL_KEYUP:
            return ShowAction::probe_close;
        case SDL_QUIT:
            return ShowAction::quit;
        case SDL_MOUSEBUTTONDOWN:
            return event.button.button == SDL_BUTTON_RIGHT ? ShowAction::quit : ShowAction::none;
        default:
            return ShowAction::none;
    }
}

bool handle_show_events()
{
    bool quit_requested = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (action_for_event(event)) {
            case ShowAction::quit:
                quit_requested = true;
                break;
            case ShowAction::skip:
                skip_forward();
                break;
            case ShowAction::probe_open:
                probe_open();
                break;
            case ShowAction::probe_close:
                probe_close();
                break;
            case ShowAction::none:
                break;
        }
    }
    return quit_requested;
}
