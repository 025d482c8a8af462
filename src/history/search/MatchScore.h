// SPDX-License-Identifier: MIT
#pragma once
// How well a page matches the words typed, for putting the best match first. The text index
// tells where each word was found (its column and its place among the column's terms); this
// weighs that: a word in the title counts most (the more of the title the words are, the
// more), in the address less, and the words close together more than far apart; how often
// they appear adds a little. Recency and the number
// of visits only tell apart pages that match about as well.

#include <cstdint>
#include <vector>

namespace quillet {

// The text index's columns, in their order.
enum class MatchColumn { Title = 0, Address = 1, Body = 2 };

// One place where one of the typed words (a phrase of `length` terms) was found.
struct WordFound {
    int word = 0;
    MatchColumn column = MatchColumn::Body;
    int offset = 0; // the first term's place in the column
};

// A score of 0 (nothing found) to about 9, for `words` typed words of the given lengths
// (in terms), from where they were found (in any order). A word's weight is how much it counts
// in the title and the address against the others (all alike when none is given): a word few
// titles have tells a page apart more than one many have.
// `titleTerms`, the title's number of terms, tells how much of it the words are: a title that
// is the words and little else is the page about them.
double matchScore(const std::vector<WordFound>& found, const std::vector<int>& wordLengths,
                  const std::vector<double>& weights = {}, int titleTerms = 0);

// A word's weight from how many of `pages` titles have it (counted up to some cap).
double titleWeight(std::int64_t titlesWithIt, std::int64_t pages);

// The score a match is put in order by: its matchScore, with a little for a page visited
// lately (`ageSeconds` before the newest of the matches) and often.
double rankScore(double match, std::int64_t ageSeconds, std::int64_t visits);

} // namespace quillet
