// The Linux setup dialog: GTK 3 for the window, XRandR for the display's modes, Xinerama to
// name the head they belong to. It behaves
// like the Windows dialog it stands in for: focus starts on Run, Tab goes Run, Cancel, list,
// Fullscreen; Return runs from any control (an open list keeps its own Return); Escape and the
// close box cancel. SDL is not initialised yet, and the dialog's window is destroyed on the X
// server before returning, so nothing of it is left on the screen when the show's window opens.
#include "setup/display_loss.h"
#include "setup/mode_list.h"
#include "setup/native_dialog.h"
#include "setup/setup_dialog.h"
#include "setup/video_settings.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace {
constexpr char kTitle[] = "Tavrune Demo Engine";
// Gives the dialog its own WM_CLASS, so that it is told apart from the show's window, which
// carries the same title.
constexpr char kProgramName[] = "corvanel-setup";
constexpr int kSpacing = 8;

struct DialogWidgets {
    GtkWidget* window;
    GtkWidget* run;
    GtkWidget* cancel;
    GtkWidget* list;
    GtkWidget* fullscreen;
};

DialogWidgets dialog;
int dialog_result = kDialogFailed;

// --- the display's modes ------------------------------------------------------------------

// Bits per pixel of the screen's pixel format: 32 on a 24-bit TrueColor screen.
int screen_bits_per_pixel(Display* display)
{
    const int depth = DefaultDepth(display, DefaultScreen(display));
    int format_count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &format_count);
    int bits = depth;
    for (int i = 0; i < format_count; ++i) {
        if (formats[i].depth == depth) {
            bits = formats[i].bits_per_pixel;
        }
    }
    if (formats != nullptr) {
        XFree(formats);
    }
    return bits;
}

// The primary output, or the first connected one when none is marked primary.
RROutput display_output(Display* display, Window root, XRRScreenResources* resources)
{
    const RROutput primary = XRRGetOutputPrimary(display, root);
    if (primary != None) {
        return primary;
    }
    for (int i = 0; i < resources->noutput; ++i) {
        XRROutputInfo* info = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        const bool connected = info != nullptr && info->connection == RR_Connected;
        if (info != nullptr) {
            XRRFreeOutputInfo(info);
        }
        if (connected) {
            return resources->outputs[i];
        }
    }
    return None;
}

void offer_mode(std::int32_t width, std::int32_t height, int bits_per_pixel)
{
    if (!mode_list_offer(mode_list, width, height, bits_per_pixel,
                         setup_settings->bits_per_pixel)) {
        return;
    }
    char line[kModeLineBytes];
    format_mode_line(mode_list.entries[mode_list.count - 1], line, sizeof line);
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(dialog.list), line);
}

// Fills mode_list and the list's lines with the output's modes, in the order XRandR gives.
void fill_resolution_list(Display* display)
{
    mode_list_clear(mode_list);
    const int bits_per_pixel = screen_bits_per_pixel(display);
    const Window root = DefaultRootWindow(display);
    int event_base = 0;
    int error_base = 0;
    int major = 0;
    int minor = 0;
    const bool has_randr = XRRQueryExtension(display, &event_base, &error_base) &&
                           XRRQueryVersion(display, &major, &minor) &&
                           (major > 1 || (major == 1 && minor >= 3));
    if (!has_randr) {
        // Without output information the screen's own size is the one mode there is.
        const int screen = DefaultScreen(display);
        offer_mode(DisplayWidth(display, screen), DisplayHeight(display, screen), bits_per_pixel);
        return;
    }
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources == nullptr) {
        return;
    }
    const RROutput output = display_output(display, root, resources);
    XRROutputInfo* info = output != None ? XRRGetOutputInfo(display, resources, output) : nullptr;
    for (int m = 0; info != nullptr && m < info->nmode && !mode_list_full(mode_list); ++m) {
        for (int r = 0; r < resources->nmode; ++r) {
            const XRRModeInfo& mode = resources->modes[r];
            if (mode.id == info->modes[m]) {
                offer_mode(static_cast<std::int32_t>(mode.width),
                           static_cast<std::int32_t>(mode.height), bits_per_pixel);
                break;
            }
        }
    }
    if (info != nullptr) {
        XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(resources);
}

// The rectangle of the output's CRTC on the X screen, where it shows anything.
bool output_rectangle(Display* display, int rect[4])
{
    const Window root = DefaultRootWindow(display);
    int event_base = 0;
    int error_base = 0;
    if (!XRRQueryExtension(display, &event_base, &error_base)) {
        return false;
    }
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources == nullptr) {
        return false;
    }
    bool found = false;
    const RROutput output = display_output(display, root, resources);
    XRROutputInfo* info = output != None ? XRRGetOutputInfo(display, resources, output) : nullptr;
    if (info != nullptr && info->crtc != None) {
        if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, info->crtc)) {
            found = crtc->width > 0 && crtc->height > 0;
            rect[0] = crtc->x;
            rect[1] = crtc->y;
            rect[2] = static_cast<int>(crtc->width);
            rect[3] = static_cast<int>(crtc->height);
            XRRFreeCrtcInfo(crtc);
        }
    }
    if (info != nullptr) {
        XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(resources);
    return found;
}

// The size the output shows now: its CRTC's mode, or the whole screen's size where XRandR
// cannot say (one output, or an old server).
ModeSize current_display_size(Display* display)
{
    int rect[4];
    if (output_rectangle(display, rect)) {
        return ModeSize{rect[2], rect[3]};
    }
    const int screen = DefaultScreen(display);
    return ModeSize{DisplayWidth(display, screen), DisplayHeight(display, screen)};
}

// The listed output's number among the screen's heads as Xinerama counts them, which is how
// SDL is told where to play; -1 on a screen of one head, where SDL's own choice is that head.
int listed_head(Display* display)
{
    int rect[4];
    int count = 0;
    XineramaScreenInfo* heads = XineramaIsActive(display) != 0 && output_rectangle(display, rect)
                                    ? XineramaQueryScreens(display, &count)
                                    : nullptr;
    int head = -1;
    for (int i = 0; i < count && count > 1; ++i) {
        if (heads[i].x_org == rect[0] && heads[i].y_org == rect[1] && heads[i].width == rect[2] &&
            heads[i].height == rect[3]) {
            head = heads[i].screen_number;
        }
    }
    if (heads != nullptr) {
        XFree(heads);
    }
    return head;
}

// --- the dialog ---------------------------------------------------------------------------

void end_dialog(int result)
{
    if (result == kDialogRun) {
        take_dialog_choice(
            *setup_settings, mode_list, gtk_combo_box_get_active(GTK_COMBO_BOX(dialog.list)),
            gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(dialog.fullscreen)),
            current_display_size(gdk_x11_display_get_xdisplay(gdk_display_get_default())));
        setup_head = listed_head(gdk_x11_display_get_xdisplay(gdk_display_get_default()));
    }
    dialog_result = result;
    gtk_main_quit();
}

void on_run(GtkButton*, gpointer)
{
    end_dialog(kDialogRun);
}

void on_cancel(GtkButton*, gpointer)
{
    end_dialog(kDialogCancel);
}

gboolean on_close_box(GtkWidget*, GdkEvent*, gpointer)
{
    end_dialog(kDialogCancel);
    return TRUE;  // the window is destroyed once the loop has ended
}

bool has_focus(GtkWidget* widget)
{
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(dialog.window));
    return focus != nullptr && (focus == widget || gtk_widget_is_ancestor(focus, widget));
}

// The native dialog's tab order, which is not the order of the controls on screen. A control
// that cannot take the focus is passed over, as Windows passes over a disabled one.
void move_focus(bool backwards)
{
    GtkWidget* const order[] = {dialog.run, dialog.cancel, dialog.list, dialog.fullscreen};
    constexpr int kCount = sizeof order / sizeof order[0];
    int current = 0;
    for (int i = 0; i < kCount; ++i) {
        if (has_focus(order[i])) {
            current = i;
        }
    }
    const int step = backwards ? kCount - 1 : 1;
    for (int next = (current + step) % kCount; next != current; next = (next + step) % kCount) {
        gtk_widget_grab_focus(order[next]);
        if (has_focus(order[next])) {
            return;
        }
    }
}

// Runs before the focused control sees the key. An open list is a window of its own with
// the keyboard grabbed, so its keys never arrive here.
gboolean on_key(GtkWidget*, GdkEventKey* event, gpointer)
{
    switch (event->keyval) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
            end_dialog(kDialogRun);
            return TRUE;
        case GDK_KEY_Escape:
            end_dialog(kDialogCancel);
            return TRUE;
        case GDK_KEY_Tab:
        case GDK_KEY_KP_Tab:
        case GDK_KEY_ISO_Left_Tab:
            move_focus(event->keyval == GDK_KEY_ISO_Left_Tab ||
                       (event->state & GDK_SHIFT_MASK) != 0);
            return TRUE;
        default:
            return FALSE;
    }
}

// Without a window manager nobody gives the dialog the keyboard; ask for it once it is up.
gboolean on_mapped(GtkWidget* window, GdkEvent*, gpointer)
{
    gtk_window_present(GTK_WINDOW(window));
    return FALSE;
}

void build_dialog()
{
    dialog.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(dialog.window);
    gtk_window_set_title(window, kTitle);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_container_set_border_width(GTK_CONTAINER(window), kSpacing);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), kSpacing);
    gtk_grid_set_column_spacing(GTK_GRID(grid), kSpacing);
    gtk_grid_set_column_homogeneous(GTK_GRID(grid), TRUE);
    gtk_container_add(GTK_CONTAINER(window), grid);

    // The show's title, centred in a sunken box.
    GtkWidget* title_frame = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(title_frame), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(title_frame), gtk_label_new("Corvanel"));
    gtk_grid_attach(GTK_GRID(grid), title_frame, 0, 0, 2, 1);

    GtkWidget* label = gtk_label_new("Resolution:");
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_grid_attach(GTK_GRID(grid), label, 0, 1, 1, 1);
    dialog.list = gtk_combo_box_text_new();
    // Like the native list, an empty one still takes the focus in its turn.
    gtk_combo_box_set_button_sensitivity(GTK_COMBO_BOX(dialog.list), GTK_SENSITIVITY_ON);
    gtk_grid_attach(GTK_GRID(grid), dialog.list, 1, 1, 1, 1);

    dialog.fullscreen = gtk_check_button_new_with_label("Fullscreen");
    gtk_grid_attach(GTK_GRID(grid), dialog.fullscreen, 1, 2, 1, 1);

    dialog.cancel = gtk_button_new_with_label("Cancel");
    gtk_grid_attach(GTK_GRID(grid), dialog.cancel, 0, 3, 1, 1);
    dialog.run = gtk_button_new_with_label("Run");
    gtk_grid_attach(GTK_GRID(grid), dialog.run, 1, 3, 1, 1);
    gtk_widget_set_can_default(dialog.run, TRUE);
    gtk_window_set_default(window, dialog.run);

    g_signal_connect(dialog.run, "clicked", G_CALLBACK(on_run), nullptr);
    g_signal_connect(dialog.cancel, "clicked", G_CALLBACK(on_cancel), nullptr);
    g_signal_connect(dialog.window, "delete-event", G_CALLBACK(on_close_box), nullptr);
    g_signal_connect(dialog.window, "key-press-event", G_CALLBACK(on_key), nullptr);
    g_signal_connect(dialog.window, "map-event", G_CALLBACK(on_mapped), nullptr);
}
}  // namespace

int run_native_dialog()
{
    // The show draws with SDL on X11, so the dialog uses the same server. A GDK_BACKEND
    // naming another (wayland, as many Wayland desktops set it) would leave GTK no backend
    // it may use, and the dialog would silently not open. GTK must not switch the process
    // to the user's locale: the timing probe prints numbers later.
    g_unsetenv("GDK_BACKEND");
    gdk_set_allowed_backends("x11");
    gtk_disable_setlocale();
    g_set_prgname(kProgramName);
    if (!gtk_init_check(nullptr, nullptr)) {
        return kDialogFailed;
    }
    watch_for_display_loss();
    GdkDisplay* display = gdk_display_get_default();
    dialog_result = kDialogFailed;
    build_dialog();
    fill_resolution_list(gdk_x11_display_get_xdisplay(display));
    const int preselected =
        mode_list_last_match(mode_list, setup_settings->width, setup_settings->height);
    if (preselected != kNoModeLine) {
        gtk_combo_box_set_active(GTK_COMBO_BOX(dialog.list), preselected);
    }
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(dialog.fullscreen),
                                 setup_settings->windowed == 0);
    gtk_widget_show_all(dialog.window);
    gtk_widget_grab_focus(dialog.run);
    gtk_main();

    // Take the dialog off the screen for good before the show opens its own window.
    gtk_widget_destroy(dialog.window);
    while (gtk_events_pending()) {
        gtk_main_iteration_do(FALSE);
    }
    // A round trip: the server has destroyed the window before the show asks for its own.
    // (Closing GDK's default display instead trips over GTK's own teardown.)
    gdk_display_sync(display);
    return dialog_result;
}
