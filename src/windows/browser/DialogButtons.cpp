// SPDX-License-Identifier: MIT
// The two image buttons at the top right open the thumbnail-size and export dialogs. Each
// dialog exists once: a click while it is open brings it forward as it is; after it was
// closed, the next click loads it afresh.

#include "Form1.h"
#include "Form2.h"
#include "UserPresent.h"
#include "frmBrowser.h"

#include <gtkmm/application.h>

namespace quillet {

void frmBrowser::showDialog(Gtk::Window& dialog) {
    // Registered with the application, a dialog keeps the program running after the main
    // window has closed, until the dialog closes too.
    if (auto application = get_application())
        application->add_window(dialog);
    presentForUser(dialog);
}

void frmBrowser::Image4_Click() {
    if (!form1_)
        form1_ = std::make_unique<Form1>(*this, settings_);
    if (!form1_->get_visible())
        form1_->Form_Load();
    showDialog(*form1_);
}

void frmBrowser::Image5_Click() {
    if (!form2_)
        form2_ = std::make_unique<Form2>(historyPane_);
    if (!form2_->get_visible())
        form2_->Form_Load();
    showDialog(*form2_);
}

} // namespace quillet
