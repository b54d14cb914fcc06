/* Prints the X screen saver's state as the server keeps it: "on", "off" or "disabled", the
 * milliseconds since the last input, and the timeout in seconds (0: never blanks).
 * Usage: screen_saver_info */
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <stdio.h>

int main(void)
{
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "screen_saver_info: cannot open the display\n");
        return 1;
    }
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (!info || !XScreenSaverQueryInfo(display, DefaultRootWindow(display), info)) {
        fprintf(stderr, "screen_saver_info: no screen-saver extension\n");
        return 1;
    }
    int timeout, interval, prefer_blanking, allow_exposures;
    XGetScreenSaver(display, &timeout, &interval, &prefer_blanking, &allow_exposures);
    const char* states[] = {"off", "on", "cycle", "disabled"};
    printf("%s %lu %d\n", info->state <= 3 ? states[info->state] : "?", info->idle, timeout);
    XFree(info);
    XCloseDisplay(display);
    return 0;
}
