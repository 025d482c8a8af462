// SPDX-License-Identifier: MIT
#include "DateWords.h"

#include <array>
#include <glib.h>
#include <memory>

namespace quillet {
namespace {

// A day of the calendar; the arithmetic is GDate's, which knows no time zone.
struct Day {
    int year = 0;
    int month = 0;
    int day = 0;
};

bool isValid(int year, int month, int day) {
    return year >= 1970 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           g_date_valid_dmy(static_cast<GDateDay>(day), static_cast<GDateMonth>(month),
                            static_cast<GDateYear>(year));
}

GDate dateOf(Day day) {
    GDate date;
    g_date_clear(&date, 1);
    g_date_set_dmy(&date, static_cast<GDateDay>(day.day), static_cast<GDateMonth>(day.month),
                   static_cast<GDateYear>(day.year));
    return date;
}

Day dayOf(const GDate& date) {
    return {g_date_get_year(&date), g_date_get_month(&date), g_date_get_day(&date)};
}

Day addDays(Day day, int days) {
    GDate date = dateOf(day);
    if (days >= 0)
        g_date_add_days(&date, static_cast<guint>(days));
    else
        g_date_subtract_days(&date, static_cast<guint>(-days));
    return dayOf(date);
}

int weekdayOf(Day day) { // Monday 1 to Sunday 7
    const GDate date = dateOf(day);
    return g_date_get_weekday(&date);
}

bool before(Day a, Day b) {
    const GDate first = dateOf(a), second = dateOf(b);
    return g_date_compare(&first, &second) < 0;
}

// The local time at `hour` (0 to 24) of a day: the hour the clocks show, in a day of 23 or 25
// hours too.
StoredTime at(Day day, int hour) {
    if (hour >= 24)
        return at(addDays(day, 1), 0);
    const std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> time(
        g_date_time_new_local(day.year, day.month, day.day, hour, 0, 0), g_date_time_unref);
    return time ? g_date_time_to_unix(time.get()) : 0;
}

constexpr std::array<const char*, 7> kWeekdayLetters = {"月", "火", "水", "木", "金", "土", "日"};

// What a date word stands for, before it becomes a span of time.
struct Meaning {
    enum class Kind { Day, Week, Month, Year, Hours };
    Kind kind = Kind::Day;
    Day day{}; // Day, Hours: the day; Week: its Monday; Month: its first; Year: 1 January
    int fromHour = 0;
    int toHour = 24;
};

struct PartOfDay {
    const char* word;
    int fromHour;
    int toHour;
};
constexpr std::array<PartOfDay, 6> kPartsOfDay = {{{"午前", 0, 12},
                                                   {"午後", 12, 18},
                                                   {"夕方", 16, 19},
                                                   {"朝", 5, 10},
                                                   {"昼", 11, 14},
                                                   {"夜", 18, 24}}};

// Reads date words from one place of the typed text, which has ASCII digits, "/" and spaces
// where full-width ones were typed.
class Reader {
  public:
    Reader(std::string_view text, std::size_t at, Day today, StoredTime now)
        : text_(text), at_(at), today_(today), now_(now) {}

    // The date words starting here, up to where they end; none when there are none, or when
    // the word goes on past them.
    std::optional<Meaning> read() {
        const std::size_t start = at_;
        std::optional<Meaning> meaning = day();
        if (!meaning) {
            at_ = start;
            meaning = hoursOf(partOfDay(), std::nullopt);
        }
        if (!meaning || !atWordEnd())
            return std::nullopt;
        take("の");
        return meaning;
    }
    std::size_t end() const { return at_; }

  private:
    bool take(std::string_view word) {
        if (text_.substr(at_).starts_with(word)) {
            at_ += word.size();
            return true;
        }
        return false;
    }

    bool takeAny(std::initializer_list<std::string_view> words) {
        for (std::string_view word : words)
            if (take(word))
                return true;
        return false;
    }

    std::optional<int> number() {
        if (at_ < text_.size() && g_ascii_isdigit(text_[at_])) {
            int value = 0;
            for (int digits = 0; at_ < text_.size() && g_ascii_isdigit(text_[at_]); ++digits) {
                if (digits == 5)
                    return std::nullopt;
                value = value * 10 + (text_[at_++] - '0');
            }
            return value;
        }
        return kanjiNumber();
    }

    std::optional<int> kanjiDigit() {
        static constexpr std::array<const char*, 10> kDigits = {"〇", "一", "二", "三", "四",
                                                                "五", "六", "七", "八", "九"};
        for (std::size_t digit = 0; digit < kDigits.size(); ++digit)
            if (take(kDigits[digit]))
                return static_cast<int>(digit);
        return std::nullopt;
    }

    // 三, 十二, 二十三, and digit by digit: 二〇二六.
    std::optional<int> kanjiNumber() {
        const std::size_t start = at_;
        int value = 0;
        int digits = 0;
        while (const auto digit = kanjiDigit()) {
            value = value * 10 + *digit;
            if (++digits == 5) {
                at_ = start;
                return std::nullopt;
            }
        }
        if (take("十")) {
            if (digits > 1) {
                at_ = start;
                return std::nullopt;
            }
            value = (digits == 0 ? 1 : value) * 10;
            if (const auto ones = kanjiDigit())
                value += *ones;
            return value;
        }
        if (digits == 0)
            return std::nullopt;
        return value;
    }

    std::optional<Meaning> day() {
        if (takeAny({"一昨日", "おととい"}))
            return dayPart(addDays(today_, -2));
        if (take("昨日"))
            return dayPart(addDays(today_, -1));
        if (take("今日"))
            return dayPart(today_);
        if (take("先々週"))
            return weekPart(-14);
        if (take("先週"))
            return weekPart(-7);
        if (take("今週"))
            return weekPart(0);
        if (take("今月"))
            return month(0);
        if (take("先月"))
            return month(-1);
        if (take("今年"))
            return Meaning{Meaning::Kind::Year, {today_.year, 1, 1}};
        if (takeAny({"去年", "昨年"}))
            return Meaning{Meaning::Kind::Year, {today_.year - 1, 1, 1}};
        if (const auto weekday = weekdayWord()) {
            // The last one before today.
            const int back = (weekdayOf(today_) - *weekday + 6) % 7 + 1;
            return dayPart(addDays(today_, -back));
        }
        return numbered();
    }

    std::optional<Meaning> numbered() {
        const auto n = number();
        if (!n)
            return std::nullopt;
        if (take("日前"))
            return *n <= 36'500 ? dayPart(addDays(today_, -*n)) : std::nullopt;
        if (take("週間前"))
            return *n <= 5'200 ? weekPart(-7 * *n) : std::nullopt;
        if (takeAny({"か月前", "ヶ月前", "カ月前", "ケ月前", "ヵ月前", "箇月前"}))
            return month(-*n);
        if (take("年")) {
            const auto month = number();
            if (month && take("月")) {
                if (const auto day = number(); day && take("日")) {
                    if (isValid(*n, *month, *day))
                        return dayPart({*n, *month, *day});
                } else if (isValid(*n, *month, 1)) {
                    return Meaning{Meaning::Kind::Month, {*n, *month, 1}};
                }
            }
        } else if (take("月")) {
            if (const auto day = number(); day && take("日"))
                return lastOf(*n, *day);
        } else if (take("/")) {
            if (const auto second = number()) {
                if (!take("/"))
                    return lastOf(*n, *second);
                if (const auto third = number(); third && isValid(*n, *second, *third))
                    return dayPart({*n, *second, *third});
            }
        }
        return std::nullopt;
    }

    // M月D日 or M/D: this year's, or last year's while this year's is still to come.
    std::optional<Meaning> lastOf(int month, int day) {
        for (const int year : {today_.year, today_.year - 1})
            if (isValid(year, month, day) && !before(today_, {year, month, day}))
                return dayPart({year, month, day});
        return std::nullopt;
    }

    std::optional<Meaning> month(int monthsBack) {
        const int months = today_.year * 12 + (today_.month - 1) + monthsBack;
        if (months < 1970 * 12)
            return std::nullopt;
        return Meaning{Meaning::Kind::Month, {months / 12, months % 12 + 1, 1}};
    }

    std::optional<int> weekdayWord() {
        for (std::size_t i = 0; i < kWeekdayLetters.size(); ++i) {
            const std::string word = std::string(kWeekdayLetters[i]) + "曜";
            if (take(word)) {
                take("日");
                return static_cast<int>(i) + 1;
            }
        }
        return std::nullopt;
    }

    // A week, or one day of it: 先週の火曜日.
    std::optional<Meaning> weekPart(int daysBack) {
        const Day day = addDays(today_, daysBack);
        const Day monday = addDays(day, 1 - weekdayOf(day));
        const std::size_t start = at_;
        joiner();
        if (const auto weekday = weekdayWord(); weekday && atWordEnd())
            return dayPart(addDays(monday, *weekday - 1));
        at_ = start;
        return Meaning{Meaning::Kind::Week, monday};
    }

    // A day, or a part of it: 昨日の夜, 昨日夜, 昨日 夜.
    std::optional<Meaning> dayPart(Day day) {
        const std::size_t start = at_;
        joiner();
        if (const PartOfDay* part = partOfDay(); part && atWordEnd())
            return hoursOf(part, day);
        at_ = start;
        return Meaning{Meaning::Kind::Day, day};
    }

    const PartOfDay* partOfDay() {
        for (const PartOfDay& part : kPartsOfDay)
            if (take(part.word))
                return &part;
        return nullptr;
    }

    // A part of `day`; alone, today's once it has begun, else yesterday's.
    std::optional<Meaning> hoursOf(const PartOfDay* part, std::optional<Day> day) {
        if (!part)
            return std::nullopt;
        if (!day)
            day = at(today_, part->fromHour) <= now_ ? today_ : addDays(today_, -1);
        return Meaning{Meaning::Kind::Hours, *day, part->fromHour, part->toHour};
    }

    // Date words end the word typed, or join the words after them with の.
    bool atWordEnd() const {
        return at_ == text_.size() || text_[at_] == ' ' || text_[at_] == '\t' ||
               text_.substr(at_).starts_with("の");
    }

    // Between a day and its part, or a week and its day: の, spaces or nothing.
    void joiner() {
        if (!take("の"))
            while (takeAny({" ", "\t"})) {
            }
    }

    std::string_view text_;
    std::size_t at_;
    Day today_;
    StoredTime now_;
};

std::string dayText(Day day, int thisYear) {
    return (day.year != thisYear ? std::to_string(day.year) + "年" : "") +
           std::to_string(day.month) + "月" + std::to_string(day.day) + "日 (" +
           kWeekdayLetters[static_cast<std::size_t>(weekdayOf(day) - 1)] + ")";
}

std::string hourText(int hour) {
    return std::to_string(hour) + ":00";
}

void describe(const Meaning& meaning, int thisYear, DatedSearch& search) {
    const Day day = meaning.day;
    switch (meaning.kind) {
    case Meaning::Kind::Day:
        search.span = TimeSpan{at(day, 0), at(day, 24)};
        search.spanText = dayText(day, thisYear);
        return;
    case Meaning::Kind::Hours:
        search.span = TimeSpan{at(day, meaning.fromHour), at(day, meaning.toHour)};
        search.spanText = dayText(day, thisYear) + " " + hourText(meaning.fromHour) + "〜" +
                          hourText(meaning.toHour);
        return;
    case Meaning::Kind::Week:
        search.span = TimeSpan{at(day, 0), at(addDays(day, 7), 0)};
        search.spanText = dayText(day, thisYear) + "〜" + dayText(addDays(day, 6), thisYear);
        return;
    case Meaning::Kind::Month: {
        const Day next =
            day.month == 12 ? Day{day.year + 1, 1, 1} : Day{day.year, day.month + 1, 1};
        search.span = TimeSpan{at(day, 0), at(next, 0)};
        search.spanText = (day.year != thisYear ? std::to_string(day.year) + "年" : "") +
                          std::to_string(day.month) + "月";
        return;
    }
    case Meaning::Kind::Year:
        search.span = TimeSpan{at(day, 0), at({day.year + 1, 1, 1}, 0)};
        search.spanText = std::to_string(day.year) + "年";
        return;
    }
}

// Full-width digits, slash and space as ASCII ones; the search folds them so as well.
std::string halfWidth(std::string_view typed) {
    std::string text;
    text.reserve(typed.size());
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(typed[i + k]); };
        if (i + 2 < typed.size() && byte(0) == 0xEF && byte(1) == 0xBC && byte(2) >= 0x90 &&
            byte(2) <= 0x99) { // ０ to ９
            text += static_cast<char>('0' + (byte(2) - 0x90));
            i += 2;
        } else if (typed.substr(i).starts_with("／")) {
            text += '/';
            i += std::string_view("／").size() - 1;
        } else if (typed.substr(i).starts_with("\u3000")) {
            text += ' ';
            i += std::string_view("\u3000").size() - 1;
        } else {
            text += typed[i];
        }
    }
    return text;
}

std::string trimmed(std::string text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

DatedSearch readDateWords(std::string_view typed, StoredTime now) {
    const std::string text = halfWidth(typed);
    const std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> local(
        g_date_time_new_from_unix_local(now), g_date_time_unref);
    if (!local)
        return {std::string(typed)};
    const Day today{g_date_time_get_year(local.get()), g_date_time_get_month(local.get()),
                    g_date_time_get_day_of_month(local.get())};
    // Date words begin a word: at the start, or after a space.
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (at > 0 && text[at - 1] != ' ' && text[at - 1] != '\t')
            continue;
        Reader reader(text, at, today, now);
        if (const auto meaning = reader.read()) {
            const std::string before = trimmed(text.substr(0, at));
            const std::string after = trimmed(text.substr(reader.end()));
            DatedSearch search{before.empty() || after.empty() ? before + after
                                                               : before + " " + after};
            describe(*meaning, today.year, search);
            return search;
        }
    }
    return {std::string(typed)};
}

HistoryFilter datedFilter(std::string_view typed, ColourChips chips, StoredTime now) {
    DatedSearch search = readDateWords(typed, now);
    return {std::move(search.words), chips, search.span};
}

} // namespace quillet
