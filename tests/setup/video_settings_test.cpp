// How the dialog's ending lands in the show's screen settings W, H and fullscreen.
#include "setup/video_settings.h"
#include "run/show.h"
#include "setup/mode_list.h"

#include <gtest/gtest.h>

namespace {
ModeList list;

// The show's defaults, and a list of two lines.
void start_fresh()
{
    W = 1024;
    H = 768;
    fullscreen = true;
    mode_list_clear(list);
    mode_list_offer(list, 800, 600, 32, 32);
    mode_list_offer(list, 1280, 1024, 32, 32);
}
}  // namespace

TEST(DialogResult, RecordStartsFromTheScreenSettings)
{
    start_fresh();
    VideoSettings settings = video_settings_from_screen();
    EXPECT_EQ(settings.width, 1024);
    EXPECT_EQ(settings.height, 768);
    EXPECT_EQ(settings.bits_per_pixel, 32);
    EXPECT_EQ(settings.windowed, 0);

    W = 640;
    H = 480;
    fullscreen = false;
    settings = video_settings_from_screen();
    EXPECT_EQ(settings.width, 640);
    EXPECT_EQ(settings.height, 480);
    EXPECT_EQ(settings.windowed, 1);
}

TEST(DialogResult, RunTakesTheSelectedLineAndTheCheckBox)
{
    start_fresh();
    VideoSettings settings = video_settings_from_screen();
    take_dialog_choice(settings, list, 0, false);
    EXPECT_TRUE(apply_dialog_result(kDialogRun, settings));
    EXPECT_EQ(W, 800);
    EXPECT_EQ(H, 600);
    EXPECT_FALSE(fullscreen);

    settings = video_settings_from_screen();
    take_dialog_choice(settings, list, 1, true);
    EXPECT_TRUE(apply_dialog_result(kDialogRun, settings));
    EXPECT_EQ(W, 1280);
    EXPECT_EQ(H, 1024);
    EXPECT_TRUE(fullscreen);
}

TEST(DialogResult, RunWithNoLineKeepsTheSizeOnEntry)
{
    for (const int line : {kNoModeLine, 2, -7}) {
        start_fresh();
        VideoSettings settings = video_settings_from_screen();
        take_dialog_choice(settings, list, line, false);
        EXPECT_TRUE(apply_dialog_result(kDialogRun, settings)) << line;
        EXPECT_EQ(W, 1024) << line;
        EXPECT_EQ(H, 768) << line;
        EXPECT_FALSE(fullscreen) << line;
    }
}

TEST(DialogResult, OnlyCancelStopsTheShow)
{
    start_fresh();
    VideoSettings settings = video_settings_from_screen();
    take_dialog_choice(settings, list, 0, false);
    EXPECT_FALSE(apply_dialog_result(kDialogCancel, settings));
    EXPECT_EQ(W, 1024);
    EXPECT_EQ(H, 768);
    EXPECT_TRUE(fullscreen);

    // A dialog that never ran leaves the record as it was on entry: the show goes on with it.
    W = 640;
    H = 480;
    fullscreen = false;
    const VideoSettings on_entry = video_settings_from_screen();
    W = 0;
    H = 0;
    fullscreen = true;
    EXPECT_TRUE(apply_dialog_result(kDialogFailed, on_entry));
    EXPECT_EQ(W, 640);
    EXPECT_EQ(H, 480);
    EXPECT_FALSE(fullscreen);

    // Any other ending the platform may report is not a cancel either.
    EXPECT_TRUE(apply_dialog_result(2, settings));
    EXPECT_EQ(W, 800);
    EXPECT_EQ(H, 600);
}
