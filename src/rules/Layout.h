// SPDX-License-Identifier: MIT
#pragma once
// Fits the main window's panes to its outer size and the history-pane width (in sixths of
// the window's width). Plain arithmetic over the controls, so it can be checked exactly.

#include "TwipsControl.h"

#include <optional>

namespace quillet {

struct LayoutControls {
    TwipsControl& cboAddress;
    TwipsControl& brwWebBrowser;
    TwipsControl& ListView1;
    TwipsControl& Label1;
    TwipsControl& Label2;
    TwipsControl& Image2;
    TwipsControl& Label4;
    TwipsControl& Image3;
    TwipsControl& Label5;
    TwipsControl& Image4;
    TwipsControl& Image5;
    TwipsControl& Frame1;
    TwipsLine& Line1;
    TwipsLine& Line2;
    TwipsLine& Line4;
};

// Sets the controls' positions and sizes one property at a time, in a fixed order (later
// steps read what earlier ones set): the address box and page view widen to the window less
// the pane, the pane follows them, and the status line, version strip, rules and the buttons
// after the address box move with the edges. A step that the control refuses or whose
// arithmetic overflows is skipped and the rest still run. W and H are the window's outer
// size in twips, historyWidth the pane width in sixths. decorationHeight, in twips, is what the
// title bar and frame add to the height where that is known; without it they are taken to be
// kAssumedDecorationHeight, and a taller title bar would hide the foot of the status row.
// Returns the number of skipped steps.
inline constexpr float kAssumedDecorationHeight = 345.0f;
int layoutMainWindow(LayoutControls& c, float W, float H, double historyWidth,
                     std::optional<float> decorationHeight = std::nullopt);

} // namespace quillet
