// SPDX-License-Identifier: MIT
#include "HandlerFailures.h"

#include "Widgets.h"

#include <glibmm/exception.h>
#include <iostream>
#include <stdexcept>

namespace quillet {

void reportHandlerFailure(Gtk::Window& window) {
    std::string what = "不明なエラー";
    try {
        throw;
    } catch (const Glib::Exception& error) {
        what = error.what();
    } catch (const std::exception& error) {
        what = error.what();
    } catch (...) {
    }
    std::cerr << "quillet: " << what << '\n';
    showMessageBox(&window, "エラーが発生しました: " + what);
}

} // namespace quillet
