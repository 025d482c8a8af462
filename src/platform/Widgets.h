// SPDX-License-Identifier: MIT
#pragma once
// Small helpers shared by the windows: CSS on one widget, the hand pointer, accessible names,
// and the program's message box.

#include <gtkmm/widget.h>
#include <gtkmm/window.h>
#include <string>

namespace quillet {

void styleWidget(Gtk::Widget& widget, const std::string& css);

// The Japanese face the windows are laid out for, as a CSS font family list.
inline constexpr const char* kJapaneseFace =
    "\"Noto Sans CJK JP\", \"ＭＳ Ｐゴシック\", sans-serif";

// CSS the windows share.
// Black on white, for boxes that must read the same in a dark desktop theme.
inline constexpr const char* kBlackOnWhite = "background-color: #FFFFFF; color: #000000;";
// Entries and buttons no taller than the twips layout makes them.
inline constexpr const char* kCompactEntry =
    "entry { min-height: 0; padding-top: 0; padding-bottom: 0; }";
inline constexpr const char* kCompactButton = "button { min-height: 0; padding: 0 4px; }";
// "font: <points> <the Japanese face>;"
std::string japaneseFont(const std::string& points);

// A window's own font and colours: the desktop's Japanese UI face at 9 pt, which the twips
// layout assumes, in `text` on `background` (CSS colours). A fixed light background needs a
// fixed dark text colour, or a dark desktop theme would write light text on it.
void styleWindow(Gtk::Window& window, const std::string& background, const std::string& text);

// The hand pointer over a clickable picture or link.
// A dialog's window: a fixed-size tool window (close box only), kept out of the task bar, with
// a client area of the given size in twips.
void makeToolWindow(Gtk::Window& window, const std::string& title, float widthTwips,
                    float heightTwips);

void useHandPointer(Gtk::Widget& widget);

void setAccessible(Gtk::Widget& widget, const std::string& name, Atk::Role role);

// An OK-only message box without an icon, titled "Quillet"; returns when it is closed.
void showMessageBox(Gtk::Window* parent, const std::string& text);

// A question over `parent` titled `title`, with キャンセル (the default) and `yes`; true for yes.
bool askQuestion(Gtk::Window& parent, const std::string& title, const std::string& question,
                 const std::string& yes);

} // namespace quillet
