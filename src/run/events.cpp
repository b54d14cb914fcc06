#include "run/events.h"

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
