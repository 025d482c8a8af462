// SPDX-License-Identifier: MIT
#include "LookSignature.h"
#include "HistoryStore.h"
#include "LookIndex.h"

#include "TestFiles.h"
#include <functional>
#include <gtest/gtest.h>
#include <set>

using namespace quillet;

namespace {

struct Rgb3 {
    std::uint8_t r, g, b;
};
constexpr Rgb3 kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{220, 30, 30}, kGreen{40, 160, 60},
    kBlue{30, 80, 220}, kGrey{128, 128, 128}, kYellow{250, 220, 40};

// A picture of `width` x `height` whose pixel (x, y) is paint(x, y), with `channels` bytes a
// pixel and rows padded as gdk-pixbuf pads them.
struct Picture {
    int width, height, channels, stride;
    std::vector<std::uint8_t> bytes;
    Picture(int w, int h, const std::function<Rgb3(int, int)>& paint, int channels = 3)
        : width(w), height(h), channels(channels), stride((w * channels + 3) / 4 * 4),
          bytes(static_cast<std::size_t>(stride * h), 0xAB) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Rgb3 c = paint(x, y);
                std::uint8_t* p = &bytes[static_cast<std::size_t>(y * stride + x * channels)];
                p[0] = c.r;
                p[1] = c.g;
                p[2] = c.b;
            }
    }
    LookSignature look() const {
        const auto signature = lookOf({bytes.data(), width, height, stride, channels});
        EXPECT_TRUE(signature.has_value());
        return signature.value_or(LookSignature{});
    }
};

LookSignature uniform(Rgb3 colour) {
    return Picture(120, 90, [=](int, int) { return colour; }).look();
}

// A page as a thumbnail: a background, a dark "table" of rows at `left` (share of the width)
// and a heading band.
LookSignature tablePage(Rgb3 background, Rgb3 table, Rgb3 band, double left, int shift = 0) {
    return Picture(120, 90,
                   [=](int x, int y) {
                       x -= shift;
                       if (y < 12)
                           return band;
                       if (x >= left * 120 && x < left * 120 + 50 && y > 25 && y < 80 &&
                           (y / 4) % 2 == 0)
                           return table;
                       return background;
                   })
        .look();
}

} // namespace

TEST(LookSignature, AUniformPageHasNoStructureOneColourAndItsChip) {
    for (const auto& [colour, chip] :
         {std::pair{kWhite, ColourChip::White}, std::pair{kBlack, ColourChip::Black},
          std::pair{kRed, ColourChip::Red}, std::pair{kGreen, ColourChip::Green},
          std::pair{kBlue, ColourChip::Blue}, std::pair{kYellow, ColourChip::Yellow}}) {
        const LookSignature look = uniform(colour);
        EXPECT_EQ(look.structure, 0U) << chipName(chip);
        EXPECT_EQ(look.chips, chipBit(chip)) << chipName(chip);
        for (std::size_t i = 3; i < look.layout.size(); ++i)
            EXPECT_EQ(look.layout[i], look.layout[i % 3]) << chipName(chip) << " byte " << i;
    }
    // A mid grey is neither white nor black nor any hue.
    EXPECT_EQ(uniform(kGrey).chips, 0);
    EXPECT_EQ(lookDistance(uniform(kRed), uniform(kRed)), 0.0);
    EXPECT_GT(lookDistance(uniform(kWhite), uniform(kBlack)), 0.5);
    // The same picture from rows with an alpha byte, and from a picture smaller than the grid.
    EXPECT_EQ(Picture(
                  120, 90, [](int, int) { return kRed; }, 4)
                  .look(),
              uniform(kRed));
    EXPECT_EQ(Picture(3, 2, [](int, int) { return kRed; }).look().chips, chipBit(ColourChip::Red));
    EXPECT_FALSE(lookOf({nullptr, 0, 0, 0, 3}).has_value());
}

TEST(LookSignature, ALayoutMovedAFewPixelsStaysNearerThanOneMovedAcross) {
    const LookSignature page = tablePage(kWhite, kBlack, kBlue, 0.05);
    const LookSignature nudged = tablePage(kWhite, kBlack, kBlue, 0.05, 3);
    const LookSignature across = tablePage(kWhite, kBlack, kBlue, 0.55);
    EXPECT_LE(structureDifference(page, nudged), 8);
    EXPECT_GT(structureDifference(page, across), structureDifference(page, nudged));
    EXPECT_LT(lookDistance(page, nudged), lookDistance(page, across));
    EXPECT_LT(lookDistance(page, nudged), 0.1);
}

TEST(LookSignature, ColoursChangingPlacesKeepTheStructureAndChangeTheLayout) {
    const auto halves = [](Rgb3 top, Rgb3 bottom) {
        return Picture(120, 90, [=](int, int y) { return y < 45 ? top : bottom; }).look();
    };
    const LookSignature redOverBlue = halves(kRed, kBlue);
    const LookSignature blueOverRed = halves(kBlue, kRed);
    EXPECT_EQ(structureDifference(redOverBlue, blueOverRed), 0);
    EXPECT_GT(layoutDifference(redOverBlue, blueOverRed), 192U * 30);
    const ColourChips both = chipBit(ColourChip::Red) | chipBit(ColourChip::Blue);
    EXPECT_EQ(redOverBlue.chips, both);
    EXPECT_EQ(blueOverRed.chips, both);
    // A dark theme of a light page: the same structure, far in colour, yet near (its lightness
    // turned over), nearer than a dark page laid out otherwise, and as near from either side.
    const LookSignature light = tablePage(kWhite, kBlack, kGreen, 0.1);
    const LookSignature dark = tablePage(kBlack, kWhite, kGreen, 0.1);
    EXPECT_LE(structureDifference(light, dark), 4);
    EXPECT_GT(layoutDifference(light, dark), 192U * 30);
    EXPECT_LT(lookDistance(light, dark), 0.15);
    EXPECT_LT(lookDistance(light, dark),
              lookDistance(light, tablePage(kBlack, kWhite, kGreen, 0.1, 2)));
    EXPECT_NEAR(lookDistance(light, dark), lookDistance(dark, light), 0.01);
}

TEST(LookSignature, APageHasTheChipsOfItsMainColours) {
    const auto banded = [](int bandRows) {
        return Picture(120, 96, [=](int, int y) { return y < bandRows ? kGreen : kWhite; }).look();
    };
    // A band over a quarter of the page counts; a thin heading does not.
    EXPECT_EQ(banded(24).chips, chipBit(ColourChip::White) | chipBit(ColourChip::Green));
    EXPECT_EQ(banded(12).chips, chipBit(ColourChip::White));
    // Mostly green: green however little else there is.
    EXPECT_EQ(banded(96).chips, chipBit(ColourChip::Green));
    const std::string names[] = {"赤", "橙", "黄", "緑", "青", "紫", "白", "黒"};
    for (int chip = 0; chip < kColourChipCount; ++chip)
        EXPECT_EQ(chipName(static_cast<ColourChip>(chip)), names[chip]);
}

TEST(LookSignature, IsStoredAndReadBackWhole) {
    const LookSignature look = tablePage(kWhite, kBlack, kRed, 0.2);
    ASSERT_NE(look.structure, 0U);
    EXPECT_EQ(unpackLook(packLook(look)), look);
    std::vector<std::uint8_t> cut = packLook(look);
    cut.pop_back();
    EXPECT_FALSE(unpackLook(cut).has_value());
    EXPECT_FALSE(unpackLook({}).has_value());
}

TEST(LookSignature, TheNearestComeFirstAndTiesKeepTheirOrder) {
    const LookSignature wanted = tablePage(kWhite, kBlack, kBlue, 0.05);
    const std::vector<LookSignature> candidates = {
        uniform(kBlack), tablePage(kWhite, kBlack, kBlue, 0.55), wanted,
        tablePage(kWhite, kBlack, kBlue, 0.05, 2), wanted};
    EXPECT_EQ(nearestLooks(wanted, candidates, 4), (std::vector<std::size_t>{2, 4, 3, 1}));
    EXPECT_EQ(nearestLooks(wanted, candidates, 10).size(), 5U);
    EXPECT_TRUE(nearestLooks(wanted, {}, 3).empty());
}

// Every fifth place goes to the page nearest in overall colour that is not shown yet; the
// other places follow the look, each page once, however many are asked for.
TEST(LookSignature, EveryFifthLookAlikeIsTheNearestInColourNotShownYet) {
    const std::vector<LookNearness> nearness = {
        {0.50, 0.01}, {0.10, 0.30}, {0.20, 0.02}, {0.30, 0.40}, {0.40, 0.50},
        {0.15, 0.60}, {0.60, 0.03}, {0.05, 0.70}, {0.70, 0.80}, {0.80, 0.00}};
    // By look 7 1 5 2, by colour 9, by look 3 4 0 6, by colour 8 (the only one left).
    EXPECT_EQ(lookAlikeOrder(nearness, 10),
              (std::vector<std::size_t>{7, 1, 5, 2, 9, 3, 4, 0, 6, 8}));
    EXPECT_EQ(lookAlikeOrder(nearness, 4), (std::vector<std::size_t>{7, 1, 5, 2}));
    EXPECT_EQ(lookAlikeOrder(nearness, 50).size(), 10U);
    EXPECT_TRUE(lookAlikeOrder({}, 5).empty());
    // The colour's pick skips what the look already showed: 0 is nearest in colour, but shown.
    const std::vector<LookNearness> shownFirst = {{0.0, 0.0}, {0.1, 0.9}, {0.2, 0.9},
                                                  {0.3, 0.9}, {0.4, 0.9}, {0.9, 0.1}};
    EXPECT_EQ(lookAlikeOrder(shownFirst, 5), (std::vector<std::size_t>{0, 1, 2, 3, 5}));
}

// The store keeps each thumbnail's look beside it, finds pages by it and by their chips, and
// lets a look go with what it was worked out from.
TEST(HistoryStoreLooks, NearestPagesChipsAndWhatIsLeftToWorkOut) {
    HistoryStore store(":memory:");
    const auto visit = [](const std::string& address, StoredTime time,
                          std::optional<LookSignature> look, const std::string& text = "") {
        return PageVisit{address, address, time, {2, 1, {1, 2, 3}}, text, false, look};
    };
    const LookSignature blueTable = tablePage(kWhite, kBlack, kBlue, 0.05);
    store.store(visit("http://near.test/", 1, tablePage(kWhite, kBlack, kBlue, 0.05, 2), "設定"));
    store.store(visit("http://far.test/", 2, uniform(kBlack)));
    store.store(visit("http://green.test/", 3, uniform(kGreen), "設定の画面"));
    store.store(visit("http://green-other.test/", 4, uniform(kGreen), "ほかの話"));
    store.store(visit("http://self.test/", 5, blueTable));
    store.store(visit("http://unseen.test/", 6, std::nullopt));

    const auto nearest = store.nearest(*store.lookOf("http://self.test/"), 3);
    ASSERT_EQ(nearest.size(), 3U);
    EXPECT_EQ(nearest[0].entry.address, "http://self.test/");
    EXPECT_EQ(nearest[0].nearness.look, 0.0);
    EXPECT_EQ(nearest[1].entry.address, "http://near.test/");
    EXPECT_LT(nearest[1].nearness.look, nearest[2].nearness.look);

    // Chips alone, and with words.
    const auto addressesOf = [](const std::vector<SearchHit>& hits) {
        std::vector<std::string> result;
        for (const SearchHit& hit : hits)
            result.push_back(hit.entry.address);
        return result;
    };
    const ColourChips green = chipBit(ColourChip::Green);
    EXPECT_EQ(addressesOf(store.search(HistoryFilter{"", green}, 10)),
              (std::vector<std::string>{"http://green-other.test/", "http://green.test/"}));
    EXPECT_EQ(addressesOf(store.search(HistoryFilter{"設定", green}, 10)),
              std::vector<std::string>{"http://green.test/"});
    EXPECT_EQ(addressesOf(store.search(HistoryFilter{"設定", 0}, 10)),
              (std::vector<std::string>{"http://green.test/", "http://near.test/"}));

    // The page stored without a look is left to work out; once worked out it is found by it.
    const auto unseen = store.unseenLooks(10);
    ASSERT_EQ(unseen.size(), 1U);
    EXPECT_EQ(unseen[0].address, "http://unseen.test/");
    store.setLooks({{unseen[0].id, blueTable}});
    EXPECT_TRUE(store.unseenLooks(10).empty());
    EXPECT_EQ(store.nearest(blueTable, 2)[1].nearness.look, 0.0);
    // An unreadable thumbnail is not asked for again, and has no look.
    store.store(visit("http://broken.test/", 7, std::nullopt));
    store.setLooks({{store.unseenLooks(10).at(0).id, std::nullopt}});
    EXPECT_TRUE(store.unseenLooks(10).empty());
    EXPECT_FALSE(store.lookOf("http://broken.test/").has_value());

    // A new thumbnail without its look drops the old look; a withheld visit drops it too; a
    // removed page is no longer found by look.
    store.store(visit("http://near.test/", 8, std::nullopt));
    EXPECT_FALSE(store.lookOf("http://near.test/").has_value());
    EXPECT_EQ(store.unseenLooks(10).size(), 1U);
    PageVisit withheld = visit("http://self.test/", 9, blueTable);
    withheld.contentWithheld = true;
    store.store(withheld);
    EXPECT_FALSE(store.lookOf("http://self.test/").has_value());
    store.remove("http://unseen.test/");
    for (const LookMatch& match : store.nearest(blueTable, 10)) {
        EXPECT_NE(match.entry.address, "http://self.test/");
        EXPECT_NE(match.entry.address, "http://unseen.test/");
        EXPECT_NE(match.entry.address, "http://near.test/");
    }
    EXPECT_EQ(store.nearest(blueTable, 10).size(), 3U); // far, green, green-other
    // A visit without a new thumbnail keeps the look, under the page's new number.
    PageVisit again = visit("http://far.test/", 10, std::nullopt);
    again.thumbnail = {};
    store.store(again);
    EXPECT_EQ(store.nearest(uniform(kBlack), 1).at(0).entry.address, "http://far.test/");
    EXPECT_EQ(store.nearest(uniform(kBlack), 1).at(0).entry.lastVisit, 10);
    EXPECT_TRUE(store.lookOf("http://far.test/").has_value());
    // A removal by time forgets the looks of what it took (the far page, visited again, too).
    store.removeVisitedSince(5);
    const auto left = store.nearest(uniform(kGreen), 10);
    ASSERT_EQ(left.size(), 2U);
    EXPECT_EQ(left[0].nearness.look, 0.0);
    EXPECT_EQ(left[1].nearness.look, 0.0);
}

// Read into memory a part at a time, with pages stored, visited again and removed between the
// parts, the looks are those of the pages as they are at the end, each once.
TEST(HistoryStoreLooks, LooksReadInPartsFollowWhatChangesBetweenThem) {
    HistoryStore store(":memory:");
    const auto visit = [](int page, StoredTime time, const LookSignature& look) {
        const std::string address = "http://page" + std::to_string(page) + ".test/";
        return PageVisit{address, address, time, {2, 1, {1, 2, 3}}, "", false, look};
    };
    for (int page = 0; page < 10; ++page)
        store.store(visit(page, page, page % 2 ? uniform(kGreen) : uniform(kBlue)));
    EXPECT_FALSE(store.readLooksPart(4));
    // Visited again: one already read (0) and one not yet (9), each now with the other colour;
    // a new page; one read and one not yet read removed.
    store.store(visit(0, 20, uniform(kGreen)));
    store.store(visit(9, 21, uniform(kBlue)));
    store.store(visit(10, 22, uniform(kGreen)));
    store.remove("http://page2.test/");
    store.remove("http://page7.test/");
    EXPECT_FALSE(store.readLooksPart(4));
    while (!store.readLooksPart(4)) {
    }
    EXPECT_TRUE(store.readLooksPart(4));
    const auto addresses = [&](const LookSignature& look) {
        std::set<std::string> found;
        for (const LookMatch& match : store.nearest(look, 50))
            if (match.nearness.look == 0.0)
                found.insert(match.entry.address);
        return found;
    };
    EXPECT_EQ(
        addresses(uniform(kGreen)),
        (std::set<std::string>{"http://page0.test/", "http://page1.test/", "http://page3.test/",
                               "http://page5.test/", "http://page10.test/"}));
    EXPECT_EQ(addresses(uniform(kBlue)),
              (std::set<std::string>{"http://page4.test/", "http://page6.test/",
                                     "http://page8.test/", "http://page9.test/"}));
    EXPECT_EQ(store.nearest(uniform(kGreen), 50).size(), 9U);
}

// The pages of a day, each once with its latest visit that day, and the days before it.
TEST(HistoryStoreLooks, VisitsDayByDayWithTheFilter) {
    HistoryStore store(":memory:");
    const auto visit = [](const std::string& address, StoredTime time, const std::string& text,
                          LookSignature look) {
        return PageVisit{address, address, time, {2, 1, {1, 2, 3}}, text, false, look};
    };
    store.store(visit("http://a.test/", 100, "朝のニュース", uniform(kGreen)));
    store.store(visit("http://b.test/", 150, "天気", uniform(kWhite)));
    store.store(visit("http://a.test/", 180, "", uniform(kGreen)));
    store.store(visit("http://c.test/", 500, "夜のニュース", uniform(kWhite)));

    const auto day = store.visitedBetween(0, 200, {});
    ASSERT_EQ(day.size(), 2U);
    EXPECT_EQ(day[0].address, "http://a.test/");
    EXPECT_EQ(day[0].lastVisit, 180);
    EXPECT_EQ(day[1].address, "http://b.test/");
    EXPECT_EQ(store.latestVisitBefore(1000, {}), 500);
    EXPECT_EQ(store.latestVisitBefore(500, {}), 180);
    EXPECT_EQ(store.latestVisitBefore(100, {}), std::nullopt);

    const HistoryFilter news{"ニュース", 0};
    EXPECT_EQ(store.visitedBetween(0, 200, news).size(), 1U);
    EXPECT_EQ(store.latestVisitBefore(500, news), 180);
    const HistoryFilter whiteNews{"ニュース", chipBit(ColourChip::White)};
    EXPECT_EQ(store.latestVisitBefore(1000, whiteNews), 500);
    EXPECT_EQ(store.latestVisitBefore(500, whiteNews), std::nullopt);
    EXPECT_TRUE(store.visitedBetween(0, 200, whiteNews).empty());
}

// The index in memory follows the pages' numbers as visits renumber them and removals go.
TEST(LookIndex, FollowsRenumberedAndForgottenPages) {
    LookIndex index;
    index.set(1, uniform(kRed));
    index.set(2, uniform(kGreen));
    index.set(3, uniform(kBlue));
    index.renumber(1, 4); // the red page visited again
    index.forget(2);
    index.renumber(9, 10); // a page without a look: nothing
    ASSERT_EQ(index.size(), 2U);
    EXPECT_EQ(index.nearest(uniform(kRed), 1).at(0).first, 4);
    EXPECT_EQ(index.nearest(uniform(kBlue), 1).at(0).first, 3);
    index.set(3, uniform(kRed)); // a new look for the same page
    const auto both = index.nearest(uniform(kRed), 5);
    ASSERT_EQ(both.size(), 2U);
    EXPECT_EQ(both[0].second.look, 0.0);
    EXPECT_EQ(both[1].second.look, 0.0);
}

// A look that is not one (a damaged or foreign row) is passed over, never read as a look.
TEST(HistoryStoreLooks, ALookOfTheWrongSizeIsPassedOver) {
    quillet::test::TempFolder folder;
    const std::string path = folder.file("history.sqlite");
    {
        HistoryStore store(path);
        store.store({"http://good.test/", "good", 1, {2, 1, {1, 2, 3}}, "", false, uniform(kRed)});
        store.store({"http://bad.test/", "bad", 2, {2, 1, {1, 2, 3}}, "", false, uniform(kRed)});
    }
    {
        Database db(path, false);
        db.execute("UPDATE looks SET look = x'0102030405' WHERE page = "
                   "(SELECT id FROM pages WHERE address = 'http://bad.test/')");
    }
    HistoryStore store(path);
    EXPECT_FALSE(store.lookOf("http://bad.test/").has_value());
    const auto nearest = store.nearest(uniform(kRed), 10);
    ASSERT_EQ(nearest.size(), 1U);
    EXPECT_EQ(nearest[0].entry.address, "http://good.test/");
    EXPECT_TRUE(store.unseenLooks(10).empty()); // it has a row: it is not worked out again
}
