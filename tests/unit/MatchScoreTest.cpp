// SPDX-License-Identifier: MIT
#include "MatchScore.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

constexpr auto kTitle = MatchColumn::Title;
constexpr auto kAddress = MatchColumn::Address;
constexpr auto kBody = MatchColumn::Body;

} // namespace

// Two words of two terms each, found in different places of different pages.
TEST(MatchScore, TheTitleCountsMostThenNearnessThenTheAddressThenHowOften) {
    const std::vector<int> twoWords{2, 2};
    const double inTitle =
        matchScore({{0, kTitle, 0}, {1, kTitle, 5}, {0, kBody, 3}, {1, kBody, 90}}, twoWords);
    const double oneInTitle = matchScore({{0, kTitle, 0}, {0, kBody, 3}, {1, kBody, 90}}, twoWords);
    const double sideBySide = matchScore({{0, kBody, 40}, {1, kBody, 42}}, twoWords);
    const double farApart = matchScore({{0, kBody, 4}, {1, kBody, 400}}, twoWords);
    const double farInAddress =
        matchScore({{0, kAddress, 1}, {1, kAddress, 9}, {0, kBody, 4}, {1, kBody, 400}}, twoWords);
    const double farOften = matchScore({{0, kBody, 4},
                                        {0, kBody, 100},
                                        {0, kBody, 200},
                                        {1, kBody, 300},
                                        {1, kBody, 500},
                                        {1, kBody, 700}},
                                       twoWords);
    EXPECT_GT(inTitle, oneInTitle);
    EXPECT_GT(oneInTitle, sideBySide);
    EXPECT_GT(sideBySide, farInAddress);
    EXPECT_GT(farInAddress, farOften);
    EXPECT_GT(farOften, farApart);
    EXPECT_GT(farApart, 0);
    EXPECT_EQ(matchScore({}, twoWords), 0);
    EXPECT_EQ(matchScore({{0, kBody, 1}}, {}), 0);
}

TEST(MatchScore, NearnessTakesTheClosestPlaceOfEachWordAndNeedsThemAllInOneColumn) {
    const std::vector<int> lengths{3, 1, 2};
    // Far apart early in the text, side by side (in another order) later.
    const std::vector<WordFound> farThenNear{{0, kBody, 0},   {1, kBody, 100}, {2, kBody, 200},
                                             {2, kBody, 500}, {1, kBody, 502}, {0, kBody, 503}};
    const std::vector<WordFound> farTwice{{0, kBody, 0},   {1, kBody, 100}, {2, kBody, 200},
                                          {2, kBody, 300}, {1, kBody, 400}, {0, kBody, 503}};
    EXPECT_GT(matchScore(farThenNear, lengths), matchScore(farTwice, lengths));
    // The places' order as found does not matter.
    std::vector<WordFound> shuffled(farThenNear.rbegin(), farThenNear.rend());
    EXPECT_DOUBLE_EQ(matchScore(shuffled, lengths), matchScore(farThenNear, lengths));
    // Side by side is as near as can be, overlapping (a word within another) too.
    const double adjacent = matchScore({{2, kBody, 10}, {1, kBody, 12}, {0, kBody, 13}}, lengths);
    EXPECT_DOUBLE_EQ(matchScore({{0, kBody, 10}, {1, kBody, 10}, {2, kBody, 10}}, lengths),
                     adjacent);
    // Split between the title and the text, the words are not near each other.
    const double split = matchScore({{0, kTitle, 0}, {1, kBody, 0}, {2, kBody, 1}}, lengths);
    const double splitNear =
        matchScore({{0, kTitle, 0}, {1, kBody, 0}, {2, kBody, 1}, {0, kBody, 3}}, lengths);
    EXPECT_GT(splitNear, split);
    // Places of a word the query does not have are passed over.
    EXPECT_EQ(matchScore({{0, kBody, 1}, {7, kTitle, 0}, {-1, kTitle, 0}}, {1}),
              matchScore({{0, kBody, 1}}, {1}));
}

TEST(MatchScore, RecencyAndVisitsOnlyTellApartPagesThatMatchAboutAsWell) {
    constexpr std::int64_t kDay = 24 * 60 * 60;
    const std::vector<int> twoWords{2, 2};
    const double title = matchScore({{0, kTitle, 0}, {1, kTitle, 3}}, twoWords);
    const double body = matchScore({{0, kBody, 0}, {1, kBody, 3}}, twoWords);
    // A year-old page seen once with the words in its title before today's, seen every day,
    // with them in its text.
    EXPECT_GT(rankScore(title, 365 * kDay, 1), rankScore(body, 0, 365));
    // Even one word more in the address outweighs them.
    const double bodyAndAddress =
        matchScore({{0, kBody, 0}, {1, kBody, 3}, {0, kAddress, 1}}, twoWords);
    EXPECT_GT(rankScore(bodyAndAddress, 365 * kDay, 1), rankScore(body, 0, 365));
    // Between equal matches: the newer, then the more visited.
    EXPECT_GT(rankScore(body, kDay, 1), rankScore(body, 30 * kDay, 1));
    EXPECT_GT(rankScore(body, kDay, 20), rankScore(body, kDay, 1));
    EXPECT_EQ(rankScore(body, -5, -1), rankScore(body, 0, 0)); // clocks set back count as now
}

// Two words, one in the title of each page: the one few titles have tells the page apart.
TEST(MatchScore, AWordFewTitlesHaveAndATitleThatIsTheWordsCountMore) {
    const std::vector<int> twoWords{2, 2};
    const std::vector<double> weights{titleWeight(3, 100'000), titleWeight(20'000, 100'000)};
    const double rareInTitle = matchScore({{0, kTitle, 0}, {1, kBody, 5}}, twoWords, weights);
    const double commonInTitle = matchScore({{1, kTitle, 0}, {0, kBody, 5}}, twoWords, weights);
    EXPECT_GT(rareInTitle, commonInTitle);
    EXPECT_DOUBLE_EQ(matchScore({{0, kTitle, 0}, {1, kBody, 5}}, twoWords),
                     matchScore({{1, kTitle, 0}, {0, kBody, 5}}, twoWords)); // no weights
    EXPECT_GT(titleWeight(0, 100'000), titleWeight(100'000, 100'000));
    EXPECT_GE(titleWeight(100'000, 100'000), 1.0);
    EXPECT_GE(titleWeight(-1, 0), 1.0);

    // The same words in a title of their own and in a long one.
    const std::vector<WordFound> bothInTitle{{0, kTitle, 0}, {1, kTitle, 2}};
    EXPECT_GT(matchScore(bothInTitle, twoWords, {}, 4), matchScore(bothInTitle, twoWords, {}, 40));
    EXPECT_DOUBLE_EQ(matchScore(bothInTitle, twoWords, {}, 4),
                     matchScore(bothInTitle, twoWords, {}, 2)); // covered whole at most
}
