#pragma once
// What the setup dialog hands back, and how that lands in the show's screen settings W, H
// and fullscreen. Shared by the Linux and the Windows dialog, so both end the same way:
//
//   settings = video_settings_from_screen();  setup_settings = &settings;
//   result = <the platform's dialog>          kDialogRun, kDialogCancel or kDialogFailed
//   go_on = apply_dialog_result(result, settings);
//
// A dialog calls take_dialog_choice() when Run is pressed, with the size the display is in
// at that moment.

#include "setup/mode_list.h"

#include <cstdint>

struct VideoSettings {
    std::int32_t width;
    std::int32_t height;
    std::int32_t bits_per_pixel;  // the only depth the list offers
    std::int32_t windowed;        // 0 or 1
};

// The results a dialog can end with: Run, Cancel (also Escape and the close box), and the
// platform's failure value when the dialog could not be shown at all.
constexpr int kDialogRun = 1;
constexpr int kDialogCancel = 0;
constexpr int kDialogFailed = -1;

constexpr std::int32_t kDialogBitsPerPixel = 32;

// The record of the dialog on screen; set just before it opens.
extern VideoSettings* setup_settings;

VideoSettings video_settings_from_screen();

// Run was pressed with `line` selected (kNoModeLine when none) and the check box as given.
// With no line selected the display's current size is taken, which is a size the screen can
// show even where the list lacks the size on entry; when that is unknown ({0, 0}) the size
// stays as it was on entry. The check box counts either way.
void take_dialog_choice(VideoSettings& settings, const ModeList& list, int line,
                        bool fullscreen_checked, ModeSize display_now);

// Cancel leaves W, H and fullscreen untouched and returns false. Run and failure copy the
// record into them and return true: after a failure the record still holds the values on
// entry, so the show goes on with what it had.
bool apply_dialog_result(int result, const VideoSettings& settings);
