// Depends on Xlib where the show draws through X11: its handler for a connection that broke
// is process-wide, set last by whoever opened a display; elsewhere nothing is watched.
#include "setup/display_loss.h"

#include <cstdio>   // std::fputs
#include <cstdlib>  // std::exit

#if !defined(_WIN32) && !defined(__APPLE__)
#include <X11/Xlib.h>
#endif

namespace {
constexpr int kLostDisplayStatus = 1;
bool lost = false;

#if !defined(_WIN32) && !defined(__APPLE__)
// Xlib ends the process if this returns, and nothing of the display can be used again: the
// shutdown registered with atexit runs and skips it.
int on_display_lost(Display*)
{
    lost = true;
    std::fputs("corvanel: lost the display\n", stderr);
    std::exit(kLostDisplayStatus);
}
#endif
}  // namespace

void watch_for_display_loss()
{
#if !defined(_WIN32) && !defined(__APPLE__)
    XSetIOErrorHandler(on_display_lost);
#endif
}

bool display_lost()
{
    return lost;
}
