// SPDX-License-Identifier: MIT
#include "TimelineDays.h"

#include <glib.h>
#include <memory>

namespace quillet {
namespace {

using DateTime = std::unique_ptr<GDateTime, decltype(&g_date_time_unref)>;

DateTime localTime(StoredTime time) {
    return {g_date_time_new_from_unix_local(time), g_date_time_unref};
}

StoredTime midnight(int year, int month, int day) {
    const DateTime start(g_date_time_new_local(year, month, day, 0, 0, 0), g_date_time_unref);
    return start ? g_date_time_to_unix(start.get()) : 0;
}

} // namespace

StoredTime startOfLocalDay(StoredTime time) {
    const DateTime local = localTime(time);
    if (!local)
        return time;
    return midnight(g_date_time_get_year(local.get()), g_date_time_get_month(local.get()),
                    g_date_time_get_day_of_month(local.get()));
}

StoredTime startOfNextLocalDay(StoredTime dayStart) {
    // Noon of the day is in the day whatever the clocks do; a day later is the next day's noon.
    const DateTime noon = localTime(dayStart + 12 * 60 * 60);
    if (!noon)
        return dayStart + 24 * 60 * 60;
    const DateTime next(g_date_time_add_days(noon.get(), 1), g_date_time_unref);
    return startOfLocalDay(g_date_time_to_unix(next.get()));
}

std::optional<StoredTime> parseLocalDate(std::string_view date) {
    int year = 0, month = 0, day = 0;
    const std::string text(date);
    char rest = 0;
    if (text.size() != 10 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &rest) != 3 ||
        !g_date_valid_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                          static_cast<GDateYear>(year)))
        return std::nullopt;
    return midnight(year, month, day);
}

std::string localDateText(StoredTime dayStart) {
    const DateTime local = localTime(dayStart);
    if (!local)
        return {};
    const std::unique_ptr<gchar, decltype(&g_free)> text(
        g_date_time_format(local.get(), "%Y-%m-%d"), g_free);
    return text ? text.get() : "";
}

std::string dateInWords(StoredTime time) {
    const DateTime local = localTime(time);
    if (!local)
        return {};
    return std::to_string(g_date_time_get_year(local.get())) + "年" +
           std::to_string(g_date_time_get_month(local.get())) + "月" +
           std::to_string(g_date_time_get_day_of_month(local.get())) + "日";
}

std::string dayHeading(StoredTime dayStart) {
    const DateTime local = localTime(dayStart);
    if (!local)
        return {};
    constexpr const char* weekdays[] = {"月", "火", "水", "木", "金", "土", "日"};
    return dateInWords(dayStart) + " (" + weekdays[g_date_time_get_day_of_week(local.get()) - 1] +
           ")";
}

std::string timeOfDay(StoredTime time) {
    const DateTime local = localTime(time);
    if (!local)
        return {};
    const int minute = g_date_time_get_minute(local.get());
    return std::to_string(g_date_time_get_hour(local.get())) + (minute < 10 ? ":0" : ":") +
           std::to_string(minute);
}

} // namespace quillet
