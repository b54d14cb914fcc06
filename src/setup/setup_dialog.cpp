#include "setup/setup_dialog.h"

#include "setup/native_dialog.h"
#include "setup/video_settings.h"

int setup_head = -1;

bool run_setup_dialog()
{
    VideoSettings settings = video_settings_from_screen();
    setup_settings = &settings;
    const int result = run_native_dialog();
    setup_settings = nullptr;
    return apply_dialog_result(result, settings);
}
