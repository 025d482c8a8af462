// SPDX-License-Identifier: MIT
#pragma once
// The rules of the visual history that need no widget: the visit-time text, the screen
// rectangle a thumbnail is copied from, the entry tooltip and the search text.

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "NumberText.h"
#include "PixelRect.h"

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
// The tooltip's second line for a kept entry whose text and thumbnail were not stored.
inline constexpr const char* kContentNotKeptTooltip = "このページの内容は保存されていません";

// The search text: "http://" is put in front unless it occurs anywhere in the text
// (case-sensitive).
std::string historySearchText(std::string text);

// How a history search starts. Full: from the top (Enter or the search button, from the
// address box). Cursor: after the selected entry (Escape in the pane), to step to the next.
enum class SearchMode { Full, Cursor };

// The position a search begins at.
int historySearchStart(std::optional<int> selectedPosition, SearchMode mode);

// The history pane's columns: the address is the entry's own text, then these.
inline constexpr int kTitleColumn = 1;
inline constexpr int kVisitTimeColumn = 2;

} // namespace quillet
