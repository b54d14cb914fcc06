// The viewer's controls, as a mapping from SDL events, checked without a window.
#include "run/events.h"

#include <gtest/gtest.h>

namespace {

SDL_Event key(Uint8 type, SDLKey symbol)
{
    SDL_Event event{};
    event.type = type;
    event.key.type = type;
    event.key.keysym.sym = symbol;
    return event;
}

SDL_Event mouse_button(Uint8 button)
{
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.type = SDL_MOUSEBUTTONDOWN;
    event.button.button = button;
    return event;
}

SDL_Event of_type(Uint8 type)
{
    SDL_Event event{};
    event.type = type;
    return event;
}

TEST(Events, KeyPresses)
{
    EXPECT_EQ(action_for_event(key(SDL_KEYDOWN, SDLK_ESCAPE)), ShowAction::quit);
    EXPECT_EQ(action_for_event(key(SDL_KEYDOWN, SDLK_s)), ShowAction::skip);
    EXPECT_EQ(action_for_event(key(SDL_KEYDOWN, SDLK_t)), ShowAction::probe_open);
    EXPECT_EQ(action_for_event(key(SDL_KEYDOWN, SDLK_q)), ShowAction::none);
    EXPECT_EQ(action_for_event(key(SDL_KEYDOWN, SDLK_RETURN)), ShowAction::none);
    EXPECT_EQ(action_for_event(key(SDL_KEYDOWN, SDLK_SPACE)), ShowAction::none);
}

TEST(Events, EveryKeyReleaseClosesAProbeLine)
{
    for (SDLKey symbol : {SDLK_t, SDLK_s, SDLK_ESCAPE, SDLK_a, SDLK_LSHIFT}) {
        EXPECT_EQ(action_for_event(key(SDL_KEYUP, symbol)), ShowAction::probe_close)
            << "key " << symbol;
    }
}

TEST(Events, OnlyTheRightButtonAndTheCloseBoxQuit)
{
    EXPECT_EQ(action_for_event(mouse_button(SDL_BUTTON_RIGHT)), ShowAction::quit);
    EXPECT_EQ(action_for_event(mouse_button(SDL_BUTTON_LEFT)), ShowAction::none);
    EXPECT_EQ(action_for_event(mouse_button(SDL_BUTTON_MIDDLE)), ShowAction::none);
    EXPECT_EQ(action_for_event(mouse_button(SDL_BUTTON_WHEELUP)), ShowAction::none);
    EXPECT_EQ(action_for_event(of_type(SDL_QUIT)), ShowAction::quit);
}

TEST(Events, OtherEventsAreIgnored)
{
    for (Uint8 type :
         {SDL_MOUSEMOTION, SDL_MOUSEBUTTONUP, SDL_ACTIVEEVENT, SDL_VIDEOEXPOSE, SDL_VIDEORESIZE}) {
        EXPECT_EQ(action_for_event(of_type(type)), ShowAction::none) << "event type " << int(type);
    }
    // A right button released is not a click that quits.
    SDL_Event released = mouse_button(SDL_BUTTON_RIGHT);
    released.type = released.button.type = SDL_MOUSEBUTTONUP;
    EXPECT_EQ(action_for_event(released), ShowAction::none);
}

}  // namespace
