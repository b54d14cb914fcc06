#pragma once
// Keeps the desktop from blanking or locking the screen while the show plays, and lets it
// again at every ending, including endings the show never sees. (The X screen saver is held
// off on the window's own connection: see desktop_window.h.)
//
//   inhibit_idle()  once the show's window is up: asks the desktop's screen-saver service on
//                   the session bus (org.freedesktop.ScreenSaver, which GNOME, KDE and Xfce
//                   answer)
//   release_idle()  in the shutdown; safe to call when nothing was inhibited
//
// The hold belongs to the show's bus connection: a show that dies without its shutdown drops
// it with the connection, so the desktop's own idle settings are never changed. Where no bus
// or no service answers, the show plays on and says nothing.

void inhibit_idle();
void release_idle();
