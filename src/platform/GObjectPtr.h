// SPDX-License-Identifier: MIT
#pragma once
// Owners for what the C APIs without a C++ binding hand out: GObject references and memory.

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

// Owns memory that GLib allocated for the caller (g_free).
struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};

template <typename T> using GMallocPtr = std::unique_ptr<T, GFree>;

} // namespace quillet
