// SPDX-License-Identifier: MIT
#pragma once
// The rules of the visual history that need no widget: the visit-time text, the screen
// rectangle a thumbnail is copied from, the entry tooltip and the search text.

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "platform/NumberText.h"
#include "platform/PixelRect.h"

namespace quillet {

// "yyyy/mm/dd hh:mm:ss" on the 24-hour clock.
std::string formatVisitTime(const std::tm& localTime);
std::string formatVisitTime(std::chrono::system_clock::time_point when); // in local time

// The page view's rectangle (twips, client coordinates) in pixels, less the capture margin:
// 10 pixels at the left and top, 20 at the right and bottom.
PixelRect captureSourceRect(double left, double top, double width, double height,
                            double twipsPerPixelX, double twipsPerPixelY);

// "title - address", the pane's tooltip for an entry.
std::string entryTooltip(std::string_view title, std::string_view address);

// The search text: "http://" is put in front unless it occurs anywhere in the text
// (case-sensitive).
std::string historySearchText(std::string text);

// Where a search begins: the entry after the selected one, or the top for mode "full".
int historySearchStart(std::optional<int> selectedPosition, std::string_view mode);

} // namespace quillet
