#pragma once
// The program's entry on the desktop: the fixed start-up sequence, the player on a window and
// a sound device, and the shutdown.
// Exit statuses: 0 after the show, -1 when the setup dialog is cancelled, 1 when the window
// cannot be opened or a picture cannot be converted.

int show_main(int argc, char* argv[]);
