// Depends on GIO for the session bus, where the show draws through X11; elsewhere (Windows,
// where SDL itself refuses the screen saver) it does nothing.
#include "run/idle_inhibit.h"

#if !defined(_WIN32) && !defined(__APPLE__)
#include <gio/gio.h>

#include <unistd.h>  // access
#include <cstdlib>   // std::getenv
#include <string>    // std::string

namespace {
constexpr char kService[] = "org.freedesktop.ScreenSaver";
constexpr char kObject[] = "/org/freedesktop/ScreenSaver";
constexpr char kApplication[] = "Corvanel";
constexpr char kReason[] = "Playing the show";
// A service that takes longer than this is not waited for: the show starts regardless.
constexpr int kCallTimeoutMs = 1000;

GDBusConnection* bus = nullptr;
guint32 cookie = 0;

// Without a session bus address GIO would start a bus of its own (dbus-launch) just for this
// question; a desktop session always has one, so only its bus is asked.
bool session_bus_known()
{
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) {
        return true;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr && access((std::string(runtime) + "/bus").c_str(), F_OK) == 0;
}

void ask_screen_saver_service()
{
    if (!session_bus_known()) {
        return;
    }
    bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr) {
        return;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        bus, kService, kObject, kService, "Inhibit", g_variant_new("(ss)", kApplication, kReason),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr);
    if (reply == nullptr) {
        return;
    }
    g_variant_get(reply, "(u)", &cookie);
    g_variant_unref(reply);
}

void let_screen_saver_service()
{
    if (bus == nullptr) {
        return;
    }
    if (cookie != 0) {
        GVariant* reply = g_dbus_connection_call_sync(
            bus, kService, kObject, kService, "UnInhibit", g_variant_new("(u)", cookie), nullptr,
            G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr);
        if (reply != nullptr) {
            g_variant_unref(reply);
        }
        cookie = 0;
    }
    g_object_unref(bus);
    bus = nullptr;
}

}  // namespace

void inhibit_idle()
{
    ask_screen_saver_service();
}

void release_idle()
{
    let_screen_saver_service();
}

#else
void inhibit_idle() {}
void release_idle() {}
#endif
