#pragma once
// The one thing each platform's dialog source provides (setup_dialog_gtk.cpp on Linux,
// setup_dialog_win32.cpp with setup_dialog.rc on Windows): show the dialog modally over
// *setup_settings and mode_list, and say how it ended (kDialogRun, kDialogCancel or
// kDialogFailed). On Run the dialog has already stored the choice with take_dialog_choice().

int run_native_dialog();
