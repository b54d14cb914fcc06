// The Windows setup dialog: template 101 from the executable's resources, driven by
// setup_dialog_proc. Needs USER32 (dialog, controls, display modes) and KERNEL32 (module).
// List lines are narrow text, hence SendDlgItemMessageA for CB_ADDSTRING; every other
// control message goes through SendDlgItemMessageW.
#include "setup/dialog_resources.h"
#include "setup/mode_list.h"
#include "setup/native_dialog.h"
#include "setup/video_settings.h"

#include <windows.h>

namespace {
void fill_resolution_list(HWND window)
{
    mode_list_clear(mode_list);
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    for (DWORD i = 0; !mode_list_full(mode_list) && EnumDisplaySettingsW(nullptr, i, &mode); ++i) {
        if (!mode_list_offer(mode_list, static_cast<std::int32_t>(mode.dmPelsWidth),
                             static_cast<std::int32_t>(mode.dmPelsHeight),
                             static_cast<std::int32_t>(mode.dmBitsPerPel),
                             setup_settings->bits_per_pixel)) {
            continue;
        }
        char line[kModeLineBytes];
        format_mode_line(mode_list.entries[mode_list.count - 1], line, sizeof line);
        SendDlgItemMessageA(window, SETUP_RESOLUTION_LIST, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(line));
    }
    const int preselected =
        mode_list_last_match(mode_list, setup_settings->width, setup_settings->height);
    if (preselected != kNoModeLine) {
        SendDlgItemMessageW(window, SETUP_RESOLUTION_LIST, CB_SETCURSEL, preselected, 0);
    }
}

// The size the primary display shows now, or {0, 0} when Windows cannot say.
ModeSize current_display_size()
{
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
        return ModeSize{0, 0};
    }
    return ModeSize{static_cast<std::int32_t>(mode.dmPelsWidth),
                    static_cast<std::int32_t>(mode.dmPelsHeight)};
}

INT_PTR CALLBACK setup_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM /*lparam*/)
{
    switch (message) {
        case WM_INITDIALOG:
            fill_resolution_list(window);
            if (setup_settings->windowed == 0) {
                SendDlgItemMessageW(window, SETUP_FULLSCREEN_CHECK, BM_SETCHECK, BST_CHECKED, 0);
            }
            return TRUE;  // the system gives the default button the focus
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case IDOK: {
                    const int line = static_cast<int>(
                        SendDlgItemMessageW(window, SETUP_RESOLUTION_LIST, CB_GETCURSEL, 0, 0));
                    const bool checked = SendDlgItemMessageW(window, SETUP_FULLSCREEN_CHECK,
                                                             BM_GETCHECK, 0, 0) != BST_UNCHECKED;
                    take_dialog_choice(*setup_settings, mode_list, line, checked,
                                       current_display_size());
                    EndDialog(window, kDialogRun);
                    break;
                }
                case IDCANCEL:  // also Escape and the close box
                    EndDialog(window, kDialogCancel);
                    break;
                default:
                    break;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
}  // namespace

int run_native_dialog()
{
    // DialogBoxParamW answers -1 itself when the dialog cannot be created.
    return static_cast<int>(DialogBoxParamW(GetModuleHandleW(nullptr),
                                            MAKEINTRESOURCEW(SETUP_DIALOG_TEMPLATE),
                                            GetForegroundWindow(), setup_dialog_proc, 0));
}
