// SPDX-License-Identifier: MIT
#include "MatchScore.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace quillet {
namespace {

// Each part's weight: the title the most, then the words near each other, then the address,
// how much of the title they are and how often the words appear. Together 9 at most.
constexpr double kInTitle = 4.0;
constexpr double kTitleCovered = 1.0;
constexpr double kNear = 2.0;
constexpr double kInAddress = 1.0;
constexpr double kOften = 1.0;
// Terms between the words at which their nearness counts half.
constexpr double kHalfNearGap = 8.0;
// Occurrences of a word at which it counts half of what appearing often can give.
constexpr double kHalfOften = 3.0;

// The fewest terms between the words in one column, one place of each taken (none: not all
// of them are in the column). Places sorted, a window slides over them.
std::optional<int> smallestGap(std::vector<WordFound> places, const std::vector<int>& lengths) {
    std::sort(places.begin(), places.end(),
              [](const WordFound& a, const WordFound& b) { return a.offset < b.offset; });
    const std::size_t words = lengths.size();
    int wordsLength = 0;
    for (const int length : lengths)
        wordsLength += length;
    const auto lengthOf = [&lengths](const WordFound& place) {
        return lengths[static_cast<std::size_t>(place.word)];
    };
    std::vector<int> inWindow(words, 0);
    std::size_t covered = 0;
    std::optional<int> best;
    std::size_t first = 0;
    for (std::size_t last = 0; last < places.size(); ++last) {
        if (inWindow[static_cast<std::size_t>(places[last].word)]++ == 0)
            ++covered;
        // Drop places from the window's start while every word stays in it.
        while (covered == words) {
            int end = 0;
            for (std::size_t i = first; i <= last; ++i)
                end = std::max(end, places[i].offset + lengthOf(places[i]));
            const int gap = std::max(0, end - places[first].offset - wordsLength);
            best = best ? std::min(*best, gap) : gap;
            if (--inWindow[static_cast<std::size_t>(places[first].word)] == 0)
                --covered;
            ++first;
        }
    }
    return best;
}

} // namespace

double titleWeight(std::int64_t titlesWithIt, std::int64_t pages) {
    // The inverse document frequency: one more than the logarithm, so a word every title has
    // still counts.
    return 1.0 + std::log(static_cast<double>(std::max<std::int64_t>(pages, 1) + 1) /
                          static_cast<double>(std::max<std::int64_t>(titlesWithIt, 0) + 1));
}

double matchScore(const std::vector<WordFound>& found, const std::vector<int>& wordLengths,
                  const std::vector<double>& weights, int titleTerms) {
    const std::size_t words = wordLengths.size();
    if (words == 0 || found.empty())
        return 0;
    std::vector<bool> inTitle(words, false), inAddress(words, false);
    std::vector<int> inBody(words, 0);
    std::vector<WordFound> titlePlaces, bodyPlaces;
    for (const WordFound& place : found) {
        if (place.word < 0 || static_cast<std::size_t>(place.word) >= words)
            continue;
        const auto word = static_cast<std::size_t>(place.word);
        switch (place.column) {
        case MatchColumn::Title:
            inTitle[word] = true;
            titlePlaces.push_back(place);
            break;
        case MatchColumn::Address:
            inAddress[word] = true;
            break;
        case MatchColumn::Body:
            ++inBody[word];
            bodyPlaces.push_back(place);
            break;
        }
    }
    const auto weight = [&weights](std::size_t word) {
        return word < weights.size() && weights[word] > 0 ? weights[word] : 1.0;
    };
    const auto share = [&](const std::vector<bool>& in) {
        double part = 0, whole = 0;
        for (std::size_t word = 0; word < words; ++word) {
            whole += weight(word);
            part += in[word] ? weight(word) : 0;
        }
        return part / whole;
    };
    double often = 0;
    for (const int count : inBody)
        often += count / (count + kHalfOften);
    often /= static_cast<double>(words);
    double near = 0;
    for (const std::vector<WordFound>* places : {&titlePlaces, &bodyPlaces})
        if (const std::optional<int> gap = smallestGap(*places, wordLengths))
            near = std::max(near, 1.0 / (1.0 + *gap / kHalfNearGap));
    double titleCovered = 0;
    if (titleTerms > 0) {
        int wordsTerms = 0;
        for (std::size_t word = 0; word < words; ++word)
            wordsTerms += inTitle[word] ? wordLengths[word] : 0;
        titleCovered = std::min(1.0, static_cast<double>(wordsTerms) / titleTerms);
    }
    return kInTitle * share(inTitle) + kTitleCovered * titleCovered + kNear * near +
           kInAddress * share(inAddress) + kOften * often;
}

double rankScore(double match, std::int64_t ageSeconds, std::int64_t visits) {
    // At most 0.3 together: less than what a word in the address adds.
    constexpr double kDay = 24 * 60 * 60;
    const double lately =
        1.0 / (1.0 + static_cast<double>(std::max<std::int64_t>(ageSeconds, 0)) / (7 * kDay));
    const double often = std::min(
        1.0, std::log2(1.0 + static_cast<double>(std::max<std::int64_t>(visits, 0))) / 4.0);
    return match + 0.2 * lately + 0.1 * often;
}

} // namespace quillet
