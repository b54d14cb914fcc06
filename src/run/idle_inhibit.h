#pragma once
// Keeps the screen from blanking or locking while the show plays, and lets it again at every
// ending, including endings the show never sees.
//
//   inhibit_idle()  once the show's window is up: asks the desktop's screen-saver service on
//                   the session bus (org.freedesktop.ScreenSaver, which GNOME, KDE and Xfce
//                   answer) and suspends the X screen saver for the show's own connection
//   release_idle()  in the shutdown; safe to call when nothing was inhibited
//
// Both holds belong to a connection of the show's: a show that dies without its shutdown
// drops them with the connection, so the desktop's own idle settings are never changed.
// Where no bus or no service answers, the show plays on and says nothing: the X screen saver
// is still suspended, and a desktop without either has nothing to ask.

void inhibit_idle();
void release_idle();
