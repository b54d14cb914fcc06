// Depends on SDL's window-manager information and Xlib with XRandR and the screen-saver
// extension, where the show draws through X11.
#include "run/desktop_window.h"

#if !defined(_WIN32) && !defined(__APPLE__)
#include "core/screen.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>

namespace {
// SDL's windows and its connection, used under SDL's lock: its event thread shares them.
void with_sdl_windows(void (*use)(Display*, Window wm_window))
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) > 0 && info.subsystem == SDL_SYSWM_X11) {
        info.info.x11.lock_func();
        use(info.info.x11.display, info.info.x11.wmwindow);
        info.info.x11.unlock_func();
    }
}

void select_buttons(Display* display, Window wm_window)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, wm_window, &attributes) != 0) {
        XSelectInput(display, wm_window,
                     attributes.your_event_mask | ButtonPressMask | ButtonReleaseMask);
    }
}

void suspend_screen_saver(Display* display, Window)
{
    int event_base = 0;
    int error_base = 0;
    if (XScreenSaverQueryExtension(display, &event_base, &error_base)) {
        XScreenSaverSuspend(display, True);
        XFlush(display);
    }
}

// XWayland's rectangle for the mode it emulates for this window: x, y, width, height.
bool emulated_mode_rect(Display* display, Window window, long rect[4])
{
    const Atom property = XInternAtom(display, "_XWAYLAND_RANDR_EMU_MONITOR_RECTS", True);
    if (property == None) {
        return false;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 4, False, XA_CARDINAL, &type, &format,
                           &count, &left, &data) != Success) {
        return false;
    }
    const bool found = data != nullptr && format == 32 && count == 4;
    if (found) {
        const auto* values = reinterpret_cast<const long*>(data);  // Xlib's 32-bit format
        for (int i = 0; i < 4; ++i) {
            rect[i] = values[i];
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    return found;
}

// The preferred mode of the output whose CRTC starts where the rectangle does: the panel's
// own size, whatever mode is emulated on it.
bool panel_at(Display* display, long x, long y, int* width, int* height)
{
    XRRScreenResources* resources =
        XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (resources == nullptr) {
        return false;
    }
    bool found = false;
    for (int o = 0; o < resources->noutput && !found; ++o) {
        XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[o]);
        if (output == nullptr) {
            continue;
        }
        XRRCrtcInfo* crtc =
            output->crtc != None ? XRRGetCrtcInfo(display, resources, output->crtc) : nullptr;
        if (crtc != nullptr && crtc->x == x && crtc->y == y && output->npreferred > 0) {
            for (int m = 0; m < resources->nmode && !found; ++m) {
                if (resources->modes[m].id == output->modes[0]) {
                    *width = static_cast<int>(resources->modes[m].width);
                    *height = static_cast<int>(resources->modes[m].height);
                    found = true;
                }
            }
        }
        if (crtc != nullptr) {
            XRRFreeCrtcInfo(crtc);
        }
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    return found;
}

void find_panel(Display* display, Window wm_window)
{
    long rect[4];
    int width = 0;
    int height = 0;
    if (emulated_mode_rect(display, wm_window, rect) && rect[2] == W && rect[3] == H &&
        panel_at(display, rect[0], rect[1], &width, &height) && (width != W || height != H)) {
        screen_stretched_over(width, height);
    }
}
}  // namespace

void take_clicks_on_every_window()
{
    with_sdl_windows(select_buttons);
}

void note_stretching_panel()
{
    if (fullscreen) {
        with_sdl_windows(find_panel);
    }
}

void hold_off_x_screen_saver()
{
    with_sdl_windows(suspend_screen_saver);
}

#else
void take_clicks_on_every_window() {}
void note_stretching_panel() {}
void hold_off_x_screen_saver() {}
#endif
