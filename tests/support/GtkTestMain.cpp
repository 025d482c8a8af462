// SPDX-License-Identifier: MIT
// Entry point of the test programs that open windows: GTK first, then the tests. A handler
// failure that reaches the signal boundary fails the running test, unless the test lets the
// program report it.

#include "MutterInput.h"
#include "Rendering.h"
#include "TestSupport.h"

#include <glibmm/exceptionhandler.h>
#include <gtest/gtest.h>
#include <gtkmm/application.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();    // listing needs no display
    quillet::chooseWebRendering(); // the same drawing path as the program itself
    // Cookies and caches of the pages the tests load stay out of the user's folders.
    quillet::test::TempFolder siteData;
    setenv("XDG_DATA_HOME", siteData.file("data").c_str(), 1);
    setenv("XDG_CACHE_HOME", siteData.file("cache").c_str(), 1);
    // Downloads go to a folder of the run's own, named where the desktop names it.
    setenv("XDG_CONFIG_HOME", siteData.file("config").c_str(), 1);
    quillet::test::writeFile(siteData.file("config/user-dirs.dirs"),
                             "XDG_DOWNLOAD_DIR=\"" + siteData.file("downloads") + "\"\n");
    auto app =
        Gtk::Application::create(argc, argv, "org.quillet.Tests", Gio::APPLICATION_NON_UNIQUE);
    if (quillet::test::underMutter())
        quillet::test::mutterInput(); // its keyboard, before any window wants the focus
    Glib::add_exception_handler([] {
        if (quillet::test::ProgramReportsFailures::active())
            throw; // on to the program's own handler
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
