// Entry point of the test programs that open windows: GTK first, then the tests. A handler
// failure that reaches the signal boundary fails the running test.

#include "platform/Rendering.h"

#include <glibmm/exceptionhandler.h>
#include <gtest/gtest.h>
#include <gtkmm/application.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    quillet::chooseWebRendering(); // the same drawing path as the program itself
    auto app =
        Gtk::Application::create(argc, argv, "org.quillet.Tests", Gio::APPLICATION_NON_UNIQUE);
    Glib::add_exception_handler([] {
        try {
            throw;
        } catch (const std::exception& error) {
            ADD_FAILURE() << "a handler failed: " << error.what();
        } catch (const Glib::Exception& error) {
            ADD_FAILURE() << "a handler failed: " << error.what();
        }
    });
    return RUN_ALL_TESTS();
}
