// Entry point of the test programs that open windows: GTK first, then the tests.

#include <gtest/gtest.h>
#include <gtkmm/application.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    auto app = Gtk::Application::create(argc, argv, "org.quillet.Tests",
                                        Gio::APPLICATION_NON_UNIQUE);
    return RUN_ALL_TESTS();
}
