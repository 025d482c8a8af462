#pragma once
// Owns one reference to a plain GObject (for the C APIs that have no C++ binding).

#include <glib-object.h>
#include <memory>

namespace quillet {

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object)
            g_object_unref(object);
    }
};

template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

} // namespace quillet
