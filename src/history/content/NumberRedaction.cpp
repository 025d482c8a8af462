// SPDX-License-Identifier: MIT
#include "NumberRedaction.h"

#include <glib.h>
#include <vector>

namespace quillet {
namespace {

int digitValue(gunichar c) {
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 0xFF10 && c <= 0xFF19) // ０ to ９
        return static_cast<int>(c - 0xFF10);
    return -1;
}

bool isGroupSeparator(gunichar c) {
    switch (c) {
    case ' ':
    case '-':
    case 0x3000: // ideographic space
    case 0xFF0D: // full-width hyphen-minus
    case 0x2010: // hyphen
    case 0x2011: // non-breaking hyphen
    case 0x2012: // figure dash
    case 0x2013: // en dash
    case 0x2212: // minus sign
    case 0x30FC: // ー, typed for a hyphen in Japanese text
        return true;
    default:
        return false;
    }
}

// Digits glued to Latin letters are part of a name or code, not a number someone wrote.
bool partOfAWord(gunichar c) {
    return c < 0x80 && (g_ascii_isalpha(static_cast<char>(c)) || c == '_');
}

struct Group {
    std::size_t begin = 0, end = 0; // bytes of the text
    std::string digits;             // ASCII
    gunichar separatorBefore = 0;   // 0 for the run's first group
};

// How card numbers are written in groups: 4-4-4-4 (the last group shorter for 13 to 19
// digits), and 4-6-5 or 4-6-4.
bool looksLikeCard(const std::vector<std::size_t>& sizes) {
    if (sizes.size() == 1)
        return true;
    using Sizes = std::vector<std::size_t>;
    if (sizes == Sizes{4, 6, 5} || sizes == Sizes{4, 6, 4})
        return true;
    for (std::size_t k = 0; k + 1 < sizes.size(); ++k)
        if (sizes[k] != 4)
            return false;
    return sizes.back() <= 4;
}

bool looksLikeMyNumber(const std::vector<std::size_t>& sizes) {
    return sizes.size() == 1 || sizes == std::vector<std::size_t>{4, 4, 4};
}

// Whether groups [first, last] of a run are a card number or a My Number.
bool isSecretNumber(const std::vector<Group>& groups, std::size_t first, std::size_t last) {
    std::string digits;
    std::vector<std::size_t> sizes;
    for (std::size_t k = first; k <= last; ++k) {
        if (k > first && groups[k].separatorBefore != groups[first + 1].separatorBefore)
            return false; // one way of parting the groups throughout
        digits += groups[k].digits;
        sizes.push_back(groups[k].digits.size());
    }
    if (digits.size() == 12)
        return looksLikeMyNumber(sizes) && isMyNumber(digits);
    return digits.size() >= 13 && digits.size() <= 19 && looksLikeCard(sizes) && passesLuhn(digits);
}

// The spans of a run to redact: each time the one of most digits (the first of equals), then
// the same in what is left on either side.
void findSecretSpans(const std::vector<Group>& groups, std::size_t from, std::size_t to,
                     std::vector<std::pair<std::size_t, std::size_t>>& spans) {
    std::size_t bestFirst = 0, bestLast = 0, bestDigits = 0;
    for (std::size_t first = from; first < to; ++first) {
        std::size_t digits = 0;
        for (std::size_t last = first; last < to && digits < 19; ++last) {
            digits += groups[last].digits.size();
            if (digits > bestDigits && isSecretNumber(groups, first, last)) {
                bestFirst = first;
                bestLast = last;
                bestDigits = digits;
            }
        }
    }
    if (bestDigits == 0)
        return;
    findSecretSpans(groups, from, bestFirst, spans);
    spans.emplace_back(bestFirst, bestLast);
    findSecretSpans(groups, bestLast + 1, to, spans);
}

} // namespace

bool passesLuhn(std::string_view digits) {
    int sum = 0;
    bool doubled = false;
    for (auto c = digits.rbegin(); c != digits.rend(); ++c) {
        int d = *c - '0';
        if (doubled && (d *= 2) > 9)
            d -= 9;
        sum += d;
        doubled = !doubled;
    }
    return !digits.empty() && sum % 10 == 0;
}

bool isMyNumber(std::string_view digits) {
    // The check digit of the eleven before it: their weights, from the one next to it, are
    // 2 to 7 and then 2 to 6; the digit is 11 less the sum's remainder by 11 (0 for 0 or 1).
    if (digits.size() != 12)
        return false;
    int sum = 0;
    for (int n = 1; n <= 11; ++n) {
        const int digit = digits[static_cast<std::size_t>(11 - n)] - '0';
        sum += digit * (n <= 6 ? n + 1 : n - 5);
    }
    const int remainder = sum % 11;
    return digits[11] - '0' == (remainder <= 1 ? 0 : 11 - remainder);
}

std::string redactNumbers(std::string_view text) {
    std::string result;
    std::size_t copied = 0;
    gunichar before = 0;
    const char* start = text.data();
    const char* end = start + text.size();
    const auto at = [&](std::size_t offset) { return g_utf8_get_char(start + offset); };
    const auto next = [&](std::size_t offset) {
        return static_cast<std::size_t>(g_utf8_next_char(start + offset) - start);
    };
    for (std::size_t i = 0; start + i < end;) {
        if (digitValue(at(i)) < 0) {
            before = at(i);
            i = next(i);
            continue;
        }
        // A run: groups of digits, each parted from the next by one separator.
        std::vector<Group> groups;
        gunichar separator = 0;
        while (true) {
            Group& group = groups.emplace_back();
            group.begin = i;
            group.separatorBefore = separator;
            for (int d; start + i < end && (d = digitValue(at(i))) >= 0; i = next(i))
                group.digits += static_cast<char>('0' + d);
            group.end = i;
            if (start + i >= end || !isGroupSeparator(at(i)))
                break;
            const std::size_t afterSeparator = next(i);
            if (start + afterSeparator >= end || digitValue(at(afterSeparator)) < 0)
                break;
            separator = at(i);
            i = afterSeparator;
        }
        const gunichar after = start + i < end ? at(i) : 0;
        if (!partOfAWord(before) && !partOfAWord(after)) {
            std::vector<std::pair<std::size_t, std::size_t>> spans;
            findSecretSpans(groups, 0, groups.size(), spans);
            for (const auto& [first, last] : spans) {
                result.append(text.substr(copied, groups[first].begin - copied));
                result += kRedactedNumber;
                copied = groups[last].end;
            }
        }
        before = '0'; // the run ended on a digit
    }
    if (copied == 0)
        return std::string(text);
    result.append(text.substr(copied));
    return result;
}

} // namespace quillet
