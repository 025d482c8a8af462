// SPDX-License-Identifier: MIT
#include "HistoryRules.h"

#include <cstdio>

namespace quillet {

std::string formatVisitTime(const std::tm& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string formatVisitTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    return formatVisitTime(local);
}

PixelRect captureSourceRect(double left, double top, double width, double height,
                            double twipsPerPixelX, double twipsPerPixelY) {
    return PixelRect{
        roundHalfEven(left / twipsPerPixelX + 10), roundHalfEven(top / twipsPerPixelY + 10),
        roundHalfEven(width / twipsPerPixelX - 30), roundHalfEven(height / twipsPerPixelY - 30)};
}

std::string entryTooltip(std::string_view title, std::string_view address) {
    std::string text(title);
    text += " - ";
    text += address;
    return text;
}

std::string historySearchText(std::string text) {
    if (text.find("http://") == std::string::npos)
        text.insert(0, "http://");
    return text;
}

int historySearchStart(std::optional<int> selectedPosition, SearchMode mode) {
    if (mode == SearchMode::Full)
        return 1;
    return selectedPosition.value_or(0) + 1;
}

} // namespace quillet
