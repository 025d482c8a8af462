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

// A reference of the caller's own to an object it was lent.
template <typename T> GObjectPtr<T> addReference(T* object) {
    return GObjectPtr<T>(static_cast<T*>(g_object_ref(object)));
}

// Owns memory that GLib allocated for the caller (g_free).
struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};

template <typename T> using GMallocPtr = std::unique_ptr<T, GFree>;

struct GErrorFree {
    void operator()(GError* error) const {
        if (error)
            g_error_free(error);
    }
};

// Owns an error a GLib call reported; pass `out(error)` where the call takes a GError**.
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

class ErrorOut {
  public:
    explicit ErrorOut(GErrorPtr& owner) : owner_(owner) {}
    ~ErrorOut() { owner_.reset(raw_); }
    ErrorOut(const ErrorOut&) = delete;
    ErrorOut& operator=(const ErrorOut&) = delete;
    operator GError**() { return &raw_; }

  private:
    GErrorPtr& owner_;
    GError* raw_ = nullptr;
};

inline ErrorOut out(GErrorPtr& owner) {
    return ErrorOut(owner);
}

} // namespace quillet
