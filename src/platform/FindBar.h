// SPDX-License-Identifier: MIT
#pragma once
// Find in the page: a small field over the page view's foot. Typing marks the matches; Enter
// (or F3) goes to the next, Shift+Enter (Shift+F3) to the previous; Esc closes it and gives
// the focus back to the page. The field turns red while its text is nowhere in the page.

#include "PageView.h"

#include <gtkmm/entry.h>

namespace quillet {

class FindBar : public Gtk::Entry {
  public:
    explicit FindBar(PageView& page);

    void open(); // shown and focused, its text selected and looked for again
    void close();
    bool isOpen() const { return get_visible(); }
    void findNext() { page_.FindNext(); }
    void findPrevious() { page_.FindPrevious(); }

  private:
    bool onKeyPress(const GdkEventKey& event);
    static constexpr int kWidth = 220; // pixels
    static constexpr int kHeight = 26;
    PageView& page_;
};

} // namespace quillet
