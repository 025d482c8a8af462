// SPDX-License-Identifier: MIT
#include "UserPresent.h"

#include <gtk/gtk.h>
#include <memory>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace quillet {
namespace {

guint32 userActionTime(const Gtk::Window& window) {
    const guint32 now = gtk_get_current_event_time();
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window.gobj()));
    if (now == GDK_CURRENT_TIME && GDK_IS_X11_DISPLAY(display))
        return gdk_x11_display_get_user_time(display);
#endif
    return now;
}

} // namespace

void presentForUser(Gtk::Window& window) {
    const guint32 time = userActionTime(window);
    if (!window.get_visible()) {
        // A window being shown for the first time takes the time with it (X11); once mapped,
        // present() asks for the focus again, which on Wayland is an activation carrying the
        // serial of the user's last input.
        auto mapped = std::make_shared<sigc::connection>();
        *mapped = window.signal_map_event().connect(
            [&window, time, mapped](GdkEventAny*) {
                mapped->disconnect();
                window.present(time);
                return false;
            },
            true);
    }
    window.present(time);
}

int runForUser(Gtk::Dialog& dialog) {
    presentForUser(dialog);
    return dialog.run();
}

} // namespace quillet
