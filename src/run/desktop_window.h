#pragma once
// What SDL 1.2 leaves undone for the show's window on X11 desktops, XWayland's above all.
//
//   take_clicks_on_every_window()  once the window is open. In full screen SDL draws in a
//       window of its own and leaves the desktop a second, managed one, from which it reads
//       only keys; its pointer grab keeps clicks on the first on a plain X server, but under
//       XWayland the pointer may rest on either, so both report buttons
//   note_stretching_panel()  once the window is open, in full screen: where XWayland only
//       emulates the mode and scales it to the whole output (it says so on the window), tells
//       the screen the output's own size (screen_stretched_over), so that the 3D scene keeps
//       its shape
//   hold_off_x_screen_saver()  once the window is open: suspends the X screen saver for as long
//       as SDL's connection lives, so that a killed show holds nothing (SDL's own way, a reset
//       every five seconds, is too seldom for a short timeout, and is switched off)
// Elsewhere (Windows) they do nothing.

void take_clicks_on_every_window();
void note_stretching_panel();
void hold_off_x_screen_saver();
