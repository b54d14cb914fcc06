#include "setup/video_settings.h"

#include "core/screen.h"

VideoSettings* setup_settings = nullptr;

VideoSettings video_settings_from_screen()
{
    return VideoSettings{W, H, kDialogBitsPerPixel, fullscreen ? 0 : 1};
}

void take_dialog_choice(VideoSettings& settings, const ModeList& list, int line,
                        bool fullscreen_checked, ModeSize display_now)
{
    if (line >= 0 && line < list.count) {
        settings.width = list.entries[line].width;
        settings.height = list.entries[line].height;
    } else if (display_now.width > 0 && display_now.height > 0) {
        settings.width = display_now.width;
        settings.height = display_now.height;
    }
    settings.windowed = fullscreen_checked ? 0 : 1;
}

bool apply_dialog_result(int result, const VideoSettings& settings)
{
    if (result == kDialogCancel) {
        return false;
    }
    screen_resize(settings.width, settings.height);
    fullscreen = settings.windowed == 0;
    return true;
}
