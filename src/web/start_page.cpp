// Depends on the page (index.html: Module.canvas and Module.page), on emscripten's HTML5
// events, and on SDL 1.2's event queue, into which the browser's events go as the desktop's
// would arrive, so that play/events.cpp maps them unchanged.
#include "web/start_page.h"

#include "core/screen.h"

#include <SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cctype>   // std::tolower
#include <cstring>  // std::strcmp, std::strlen

namespace {
// DOM mouse buttons, left to right, and SDL's.
constexpr unsigned short kDomRightButton = 2;
constexpr Uint8 kSdlButtonOffset = 1;

// Made as SDL_SetVideoMode makes it in the emscripten port: through Browser.createContext, so
// that the OpenGL 1.x emulation sets itself up on the new context.
EM_JS(int, create_context, (), {
    const attributes = {depth : true, stencil : false, antialias : false, alpha : false};
    return Browser.createContext(Module.canvas, true, true, attributes) ? 1 : 0;
});

EM_JS(void, say_ready, (), { Module.page.ready(); });

EM_JS(void, say_loading, (int done, int total), { Module.page.preparing(done, total); });

// 1 for "Play full screen", 0 for "Play".
EM_ASYNC_JS(int, await_play, (), { return await Module.page.played(); });

EM_JS(int, canvas_side, (int vertical), { return Module.page.canvasSide(vertical); });

EM_JS(void, say_ended, (), { Module.page.ended(); });

// What SDL 1.2 calls the key: ASCII keys by their lower-case character, Escape by its own
// code, the rest unknown (they only close a probe line).
SDLKey key_of(const EmscriptenKeyboardEvent& event)
{
    if (std::strcmp(event.key, "Escape") == 0) {
        return SDLK_ESCAPE;
    }
    if (std::strlen(event.key) == 1 && static_cast<unsigned char>(event.key[0]) < 0x80) {
        return static_cast<SDLKey>(std::tolower(static_cast<unsigned char>(event.key[0])));
    }
    return SDLK_UNKNOWN;
}

// SDL 1.2 sends no repeats unless asked to; the browser does. The keys the show uses are
// kept from the browser (s would start a search), the rest left to it.
EM_BOOL push_key(int type, const EmscriptenKeyboardEvent* event, void*)
{
    if (event->repeat) {
        return EM_TRUE;
    }
    SDL_Event sdl_event{};
    sdl_event.type = type == EMSCRIPTEN_EVENT_KEYDOWN ? SDL_KEYDOWN : SDL_KEYUP;
    sdl_event.key.state = type == EMSCRIPTEN_EVENT_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    sdl_event.key.keysym.sym = key_of(*event);
    SDL_PushEvent(&sdl_event);
    return sdl_event.key.keysym.sym == SDLK_ESCAPE || sdl_event.key.keysym.sym == SDLK_s ||
           sdl_event.key.keysym.sym == SDLK_t;
}

EM_BOOL push_button(int, const EmscriptenMouseEvent* event, void*)
{
    SDL_Event sdl_event{};
    sdl_event.type = SDL_MOUSEBUTTONDOWN;
    sdl_event.button.state = SDL_PRESSED;
    sdl_event.button.button = static_cast<Uint8>(event->button + kSdlButtonOffset);
    SDL_PushEvent(&sdl_event);
    return event->button == kDomRightButton;
}

// In full screen the browser keeps Escape for itself and leaves full screen: that ends the
// show as Escape does.
EM_BOOL push_quit_on_leaving(int, const EmscriptenFullscreenChangeEvent* event, void*)
{
    if (!event->isFullscreen && fullscreen) {
        SDL_Event sdl_event{};
        sdl_event.type = SDL_QUIT;
        SDL_PushEvent(&sdl_event);
    }
    return EM_FALSE;
}
}  // namespace

bool page_open_canvas()
{
    return create_context() != 0;
}

void page_loading(int done, int total)
{
    say_loading(done, total);
    emscripten_sleep(0);
}

void page_ready()
{
    say_ready();
}

void page_wait_for_play()
{
    fullscreen = await_play() != 0;
}

bool page_fit_canvas()
{
    const std::int32_t width = canvas_side(0);
    const std::int32_t height = canvas_side(1);
    if (width == W && height == H) {
        return false;
    }
    screen_resize(width, height);
    return true;
}

void page_show_ended()
{
    say_ended();
}

void page_listen()
{
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, push_key);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, push_key);
    emscripten_set_mousedown_callback("#canvas", nullptr, EM_FALSE, push_button);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             push_quit_on_leaving);
}
