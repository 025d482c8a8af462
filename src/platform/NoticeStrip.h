// SPDX-License-Identifier: MIT
#pragma once
// A line over the top of the page view that says something about the page shown, with one
// button that acts on it (a saved copy's 最新のページを開く, a changed page's 変更を見る). Hidden
// until told.

#include <functional>
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <string>

namespace quillet {

class NoticeStrip : public Gtk::Box {
  public:
    explicit NoticeStrip(const std::string& accessibleName);

    void tell(const std::string& text, const std::string& buttonLabel,
              std::function<void()> pressed);
    void withdraw();

    const Gtk::Label& text() const { return text_; }
    Gtk::Button& button() { return button_; }

  private:
    Gtk::Label text_;
    Gtk::Button button_;
    std::function<void()> pressed_;
};

} // namespace quillet
