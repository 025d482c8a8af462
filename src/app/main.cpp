// SPDX-License-Identifier: MIT
// Quillet: opens the main window (a private one with --private), which shows the addresses
// given in turn, or its home page without one; closing it (or SIGTERM/SIGINT) ends the program.

#include "CommandLine.h"
#include "HandlerFailures.h"
#include "Rendering.h"
#include "frmBrowser.h"

#include <filesystem>
#include <glib-unix.h>
#include <glibmm/exceptionhandler.h>
#include <gtkmm/application.h>
#include <iostream>
#include <stdexcept>

namespace {

struct Program {
    Glib::RefPtr<Gtk::Application> application;
    quillet::frmBrowser* mainWindow;
};

// The desktop session ends programs with SIGTERM: close the main window the normal way, so the
// settings are written, then end the program even if a dialog is still open.
gboolean endOnSignal(gpointer data) {
    auto* program = static_cast<Program*>(data);
    if (!program->mainWindow->get_visible()) {
        program->application->quit(); // closed already; only dialogs are left
        return G_SOURCE_CONTINUE;
    }
    // Closing is asynchronous: quit once the window is gone and its settings are written.
    program->mainWindow->signal_hide().connect([program] { program->application->quit(); });
    program->mainWindow->closeWithoutAsking(); // no page may hold up the session's end
    return G_SOURCE_CONTINUE;
}

} // namespace

int main(int argc, char* argv[]) {
    const quillet::CommandLineAnswer answer = quillet::answerCommandLine(
        std::vector<std::string>(argv + 1, argv + argc), std::filesystem::current_path());
    if (!answer.run) {
        std::cout << answer.out;
        std::cerr << answer.err;
        return answer.exitCode;
    }
    quillet::chooseWebRendering();
    auto app = Gtk::Application::create("org.quillet.Quillet", Gio::APPLICATION_NON_UNIQUE);
    app->register_application();
    quillet::frmBrowser window(quillet::SettingsStore::forCurrentUser(),
                               std::chrono::system_clock::now, quillet::keptHistoryFolder(),
                               answer.privacy, answer.addresses);
    Glib::add_exception_handler([&window] { quillet::reportHandlerFailure(window); });
    Program program{app, &window};
    g_unix_signal_add(SIGTERM, endOnSignal, &program);
    g_unix_signal_add(SIGINT, endOnSignal, &program);
    return app->run(window);
}
