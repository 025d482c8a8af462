// SPDX-License-Identifier: MIT
#pragma once
// The one way a C signal of GTK or WebKit reaches C++: an exception thrown by the handler
// stops at this boundary, never unwinding through the C frames that called it. It is reported
// by the program's exception handler (a message box; the program goes on), and the signal gets
// an empty answer (FALSE, null): the default handling goes ahead.

#include <glib-object.h>
#include <glibmm/exceptionhandler.h>
#include <type_traits>

namespace quillet {

template <auto Handler> struct Guarded;

template <typename Result, typename... Args, Result (*Handler)(Args...)> struct Guarded<Handler> {
    static Result call(Args... args) noexcept {
        try {
            return Handler(args...);
        } catch (...) {
            Glib::exception_handlers_invoke();
        }
        if constexpr (!std::is_void_v<Result>)
            return Result{};
    }
};

// g_signal_connect with `Handler` behind the guard.
template <auto Handler>
gulong connectGuarded(gpointer instance, const char* signal, gpointer data) {
    return g_signal_connect(instance, signal, G_CALLBACK(Guarded<Handler>::call), data);
}

} // namespace quillet
