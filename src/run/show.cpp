// The desktop stage: the start-up sequence in the order the show depends on (the dialog before
// SDL exists, the music stream before the window), then the player's sequence on a window and
// a sound device, and the shutdown. Once SDL is up, every way out (the end, a quit, a fatal
// error anywhere, SIGHUP or SIGQUIT) goes through the shutdown, so a full-screen show never
// leaves its screen mode or a hidden, grabbed pointer behind.
#include "run/show.h"

#include "assets/texture_bank.h"
#include "core/screen.h"
#include "play/events.h"
#include "play/music.h"
#include "play/player.h"
#include "play/probe.h"
#include "play/show_clock.h"
#include "play/stage.h"
#include "play/standard_descriptors.h"
#include "run/desktop_window.h"
#include "run/idle_inhibit.h"
#include "setup/display_loss.h"
#include "setup/setup_dialog.h"

#include <SDL.h>

#include <csignal>  // std::signal, std::raise, std::sig_atomic_t
#include <cstdio>   // std::fprintf
#include <cstdlib>  // setenv, std::atexit
#include <string>   // std::to_string

namespace {
constexpr char kCaption[] = "Tavrune Demo Engine";
constexpr Uint32 kLoopDelayMs = 10;

// On X11 systems only SDL's x11 video driver offers OpenGL. Without a display SDL would fall
// back to a text-mode driver that scribbles over the terminal before failing anyway; naming
// the driver (unless the viewer already chose one) lets the window fail cleanly instead.
void prefer_opengl_video_driver()
{
#if !defined(_WIN32) && !defined(__APPLE__)
    setenv("SDL_VIDEODRIVER", "x11", 0);
    // The show holds off the X screen saver itself (see desktop_window.h).
    setenv("SDL_VIDEO_ALLOW_SCREENSAVER", "1", 0);
#endif
}

// On a screen of several heads SDL plays at the screen's origin, whichever head lies there;
// told which, it plays on the head whose modes the dialog listed and leaves the others alone.
void play_on_the_listed_head()
{
#if !defined(_WIN32) && !defined(__APPLE__)
    if (setup_head >= 0) {
        setenv("SDL_VIDEO_FULLSCREEN_DISPLAY", std::to_string(setup_head).c_str(), 0);
    }
#endif
}

// The signal that asked the show to end, or 0. Set by the handler, read by the loop: the
// shutdown itself is not safe to run inside a signal handler.
volatile std::sig_atomic_t ending_signal = 0;

extern "C" void note_ending_signal(int signal)
{
    ending_signal = signal;
}

// A closed terminal (SIGHUP) ends the show like the close box; SIGQUIT ends it too, and the
// process still dies of it once the shutdown is done. Neither exists on Windows.
void catch_ending_signals()
{
#ifdef SIGHUP
    std::signal(SIGHUP, note_ending_signal);
    std::signal(SIGQUIT, note_ending_signal);
#endif
}

// Runs once, whichever way the process leaves after SDL started: the normal end, or exit()
// from a fatal error deeper down.
void shut_down()
{
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    // A display that went away takes the window, the context and the textures with it.
    if (!display_lost()) {
        free_textures();
    }
    release_idle();
    close_music();
    probe_finish();
    SDL_Quit();
}

// Without a window nobody could see or stop the show: say why and give up.
bool report_no_window()
{
    std::fprintf(stderr, "corvanel: cannot open a %d x %d OpenGL window: %s\n", W, H,
                 SDL_GetError());
    return false;
}

bool open_window()
{
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    // The swap waits for the display's refresh: whole frames, no tearing as the tunnel sweeps
    // across the screen. The clock's aim at the swap includes that wait.
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1);
    const Uint32 flags = fullscreen ? SDL_OPENGL | SDL_FULLSCREEN : SDL_OPENGL;
    if (SDL_SetVideoMode(W, H, 32, flags) == nullptr) {
        return report_no_window();
    }
    take_clicks_on_every_window();
    note_stretching_panel();
    hold_off_x_screen_saver();
    return true;
}

}  // namespace

void stage_start()
{
    start_show_clock();
}

bool stage_begin_pass()
{
    tick_show_clock();
    return true;
}

bool stage_present_frame()
{
    SDL_GL_SwapBuffers();
    frame_shown();
    SDL_Delay(kLoopDelayMs);
    const bool quit_requested = handle_show_events();
    return !quit_requested && ending_signal == 0;
}

void stage_stop() {}

int show_main(int /*argc*/, char* /*argv*/[])
{
    open_standard_descriptors();
    if (!run_setup_dialog()) {
        return -1;
    }
    prefer_opengl_video_driver();
    play_on_the_listed_head();
    watch_for_display_loss();
    SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO);
    std::atexit(shut_down);
    catch_ending_signals();
    // Without video there is no show: stop before the sound system adds its own complaints.
    // Asking for the video subsystem again puts the cause back into SDL's error text.
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        report_no_window();
        return 1;
    }
    // SDL 1.2 hands the caption to its PulseAudio stream too, from this thread and unlocked,
    // while the audio thread drives that stream: set once the sound plays, it can abort the show.
    SDL_WM_SetCaption(kCaption, nullptr);
    open_music();
    if (!open_window()) {
        return 1;
    }
    SDL_ShowCursor(SDL_DISABLE);
    inhibit_idle();
    player_load();
    player_play();
    shut_down();
#ifdef SIGQUIT
    if (ending_signal == SIGQUIT) {
        std::signal(SIGQUIT, SIG_DFL);
        std::raise(SIGQUIT);
    }
#endif
    return 0;
}
