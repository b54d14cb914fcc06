// How the dialog's ending lands in the show's screen settings W, H and fullscreen.
#include "setup/video_settings.h"
#include "core/screen.h"
#include "setup/mode_list.h"

#include <gtest/gtest.h>

namespace {
constexpr int kRunNotPressed = -100;
constexpr ModeSize kDisplayNow{1920, 1080};
constexpr ModeSize kDisplayUnknown{0, 0};
ModeList list;
}  // namespace

TEST(DialogResult, EachEndingLandsInTheScreenSettings)
{
    mode_list_clear(list);
    mode_list_offer(list, 800, 600, 32, 32);
    mode_list_offer(list, 1280, 1024, 32, 32);
    const struct {
        bool fullscreen_on_entry;
        int result;
        int line;  // selected when Run was pressed
        bool checked;
        ModeSize display_now;
        bool go_on;
        int width, height;
        bool fullscreen;
    } cases[] = {
        {true, kDialogRun, 0, false, kDisplayNow, true, 800, 600, false},
        {false, kDialogRun, 1, true, kDisplayNow, true, 1280, 1024, true},
        // No line, or one the list does not have: the size the display is in now, or the
        // size on entry where that is unknown.
        {true, kDialogRun, kNoModeLine, false, kDisplayNow, true, 1920, 1080, false},
        {false, kDialogRun, 2, true, kDisplayNow, true, 1920, 1080, true},
        {false, kDialogRun, -7, true, kDisplayUnknown, true, 640, 480, true},
        // Cancel leaves the settings as they are, whatever was chosen.
        {true, kDialogCancel, 0, false, kDisplayNow, false, 0, 0, false},
        // The dialog could not be shown: the show goes on with the values on entry.
        {true, kDialogFailed, kRunNotPressed, false, kDisplayNow, true, 640, 480, true},
        {false, kDialogFailed, kRunNotPressed, false, kDisplayNow, true, 640, 480, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "result " << c.result << ", line " << c.line);
        screen_resize(640, 480);
        fullscreen = c.fullscreen_on_entry;
        VideoSettings settings = video_settings_from_screen();
        if (c.line != kRunNotPressed) {
            take_dialog_choice(settings, list, c.line, c.checked, c.display_now);
        }
        // Scribbled over, so that an ending that does not write them back shows.
        screen_resize(0, 0);
        fullscreen = !c.fullscreen_on_entry;
        EXPECT_EQ(apply_dialog_result(c.result, settings), c.go_on);
        EXPECT_EQ(W, c.width);
        EXPECT_EQ(H, c.height);
        EXPECT_EQ(fullscreen, c.fullscreen);
    }
}
