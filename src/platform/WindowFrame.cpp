// SPDX-License-Identifier: MIT
#include "WindowFrame.h"

#include "GObjectPtr.h"
#include <algorithm>

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace quillet {
namespace {

bool drawsItsOwnDecoration(const Gtk::Window& window) {
    return window.get_style_context()->has_class(GTK_STYLE_CLASS_CSD);
}

// GTK's own title bar and the window's child are the top-level's internal children; together
// they cover what the user sees of a client-side decorated window, the shadow excluded.
void uniteVisibleChild(GtkWidget* child, gpointer data) {
    if (!gtk_widget_get_visible(child) || GTK_IS_POPOVER(child))
        return;
    GtkAllocation allocation;
    gtk_widget_get_allocation(child, &allocation);
    auto* united = static_cast<GdkRectangle*>(data);
    if (united->width <= 0 || united->height <= 0)
        *united = allocation;
    else
        gdk_rectangle_union(united, &allocation, united);
}

} // namespace

PixelSize visibleOuterSize(const Gtk::Window& window, PixelSize fallback) {
    auto gdkWindow = window.get_window();
    if (!gdkWindow || !window.get_mapped())
        return fallback;
    if (drawsItsOwnDecoration(window)) {
        GdkRectangle united{0, 0, 0, 0};
        gtk_container_forall(GTK_CONTAINER(const_cast<GtkWindow*>(window.gobj())),
                             uniteVisibleChild, &united);
        return {united.width, united.height};
    }
    Gdk::Rectangle frame;
    gdkWindow->get_frame_extents(frame); // the window manager's frame included
    return {frame.get_width(), frame.get_height()};
}

PixelSize decorationSize(const Gtk::Window& window) {
    if (!window.get_mapped())
        return {};
    int width = 0, height = 0;
    window.get_size(width, height);
    const PixelSize outer = visibleOuterSize(window, {width, height});
    return {std::max(0, outer.width - width), std::max(0, outer.height - height)};
}

bool decorationKnown(const Gtk::Window& window) {
    if (!window.get_window() || !window.get_mapped())
        return false;
    GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window.gobj()));
#ifdef GDK_WINDOWING_X11
    GdkScreen* screen = gdk_window_get_screen(gdkWindow);
    if (GDK_IS_X11_SCREEN(screen) && !drawsItsOwnDecoration(window) &&
        gdk_x11_screen_supports_net_wm_hint(screen,
                                            gdk_atom_intern_static_string("_NET_FRAME_EXTENTS"))) {
        GdkAtom type = GDK_NONE;
        gint format = 0, length = 0;
        guchar* data = nullptr;
        const bool announced =
            gdk_property_get(gdkWindow, gdk_atom_intern_static_string("_NET_FRAME_EXTENTS"),
                             GDK_NONE, 0, 4 * sizeof(long), false, &type, &format, &length, &data);
        GMallocPtr<guchar> owned(data);
        return announced && length > 0;
    }
#endif
    return true;
}

PixelSize contentOrigin(const Gtk::Window& window) {
    const Gtk::Widget* child = window.get_child();
    if (!child)
        return {};
    const Gtk::Allocation allocation = child->get_allocation();
    return {allocation.get_x(), allocation.get_y()};
}

} // namespace quillet
