// SPDX-License-Identifier: MIT
// What is never kept: card numbers and My Numbers (numbers that only look like them are), and
// the content of pages whose response said no-store; and what the retention the user sets
// keeps.

#include "KeptContent.h"
#include "HistoryStore.h"
#include "NumberRedaction.h"
#include "Retention.h"
#include "TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quillet;

TEST(NumberRedaction, TheChecksOfCardNumbersAndMyNumbers) {
    for (const char* card : {"4539148803436467", "4111111111111111", "378282246310005",
                             "5555555555554444", "4222222222222", "30569309025904"})
        EXPECT_TRUE(passesLuhn(card)) << card;
    for (const char* wrong : {"4539148803436468", "1234567890123", "4111111111111112"})
        EXPECT_FALSE(passesLuhn(wrong)) << wrong;
    EXPECT_TRUE(isMyNumber("123456789018"));
    EXPECT_TRUE(isMyNumber("000000000000")); // remainder 0: check digit 0
    EXPECT_FALSE(isMyNumber("123456789012"));
    EXPECT_FALSE(isMyNumber("12345678901")); // eleven digits
}

TEST(NumberRedaction, CardNumbersAreRedactedAsTheyAreWritten) {
    const std::string r = kRedactedNumber;
    const std::pair<const char*, std::string> cases[] = {
        {"4539148803436467", r},
        {"カード番号4539148803436467です", "カード番号" + r + "です"},
        {"番号: 4539 1488 0343 6467。", "番号: " + r + "。"},
        {"4539-1488-0343-6467", r},
        {"Amex 3782 822463 10005 ok", "Amex " + r + " ok"},
        {"４５３９　１４８８　０３４３　６４６７", r}, // full-width digits and spaces
        {"４５３９－１４８８－０３４３－６４６７", r},
        {"4222222222222 and 4111111111111111", r + " and " + r},
        // A telephone number beside a card: the card alone goes.
        {"03-1234-5678 4539 1488 0343 6467", "03-1234-5678 " + r},
        {"マイナンバー 123456789018", "マイナンバー " + r},
        {"1234 5678 9018", r},
        {"1234-5678-9018", r},
    };
    for (const auto& [text, redacted] : cases)
        EXPECT_EQ(redactNumbers(text), redacted) << text;
}

TEST(NumberRedaction, NumbersThatOnlyLookLikeThemStay) {
    for (const char* text : {
             "4539148803436468",       // the check digit is wrong
             "2026-12-08 12:34",       // a date and time
             "090-1234-5678",          // a mobile number
             "0120-123-456",           // a toll-free number
             "注文番号 1234567890123", // an order number failing the check
             "45391488034364671234",   // 20 digits: a tracking number, not cut
             "4539-1488 0343-6467",    // groups parted two ways
             "453 9148 8034 3646 7",   // not the groups of a card
             "2026 1208 1234 6",       // 4-4-4-1 of a failing number
             "id4539148803436467",     // part of a word
             "4539148803436467_v2",    // likewise
             "123456789012",           // a 12-digit number failing the My Number check
             "12 3456 789018",         // 12 digits not grouped as a My Number
         })
        EXPECT_EQ(redactNumbers(text), text) << text;
    EXPECT_EQ(redactNumbers(""), "");
    EXPECT_EQ(redactNumbers("価格は 1,980 円、数量 3。"), "価格は 1,980 円、数量 3。");
}

// What the store keeps has no card number in it, neither in the file's bytes nor in what the
// search can find; the page is found by its other words.
TEST(NumberRedaction, TheStoreKeepsNoCardNumberAndTheSearchFindsNone) {
    quillet::test::TempFolder folder;
    const std::string path = folder.file("history.sqlite");
    {
        HistoryStore store(path);
        store.store({"http://shop.test/paid",
                     "ご注文 4539 1488 0343 6467",
                     100,
                     {},
                     "お支払い完了 カード 4539-1488-0343-6467 マイナンバー 1234 5678 9018"});
        for (const char* typed :
             {"4539148803436467", "4539", "6467", "1488", "123456789018", "9018"})
            EXPECT_TRUE(store.search(typed, 10).empty()) << typed;
        ASSERT_EQ(store.search("お支払い完了", 10).size(), 1u);
        const auto stored = store.visitOf("http://shop.test/paid");
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->title, std::string("ご注文 ") + kRedactedNumber);
        EXPECT_EQ(stored->text, std::string("お支払い完了 カード ") + kRedactedNumber +
                                    " マイナンバー " + kRedactedNumber);
    }
    std::string bytes = quillet::test::readFile(path);
    if (std::filesystem::exists(path + "-wal"))
        bytes += quillet::test::readFile(path + "-wal");
    for (const char* secret : {"4539", "0343", "9018"})
        EXPECT_EQ(bytes.find(secret), std::string::npos) << secret;
}

TEST(KeptContent, NoStoreIsReadAmongTheHeadersDirectives) {
    for (const char* says : {"no-store", "No-Store", "private, no-store", " no-store ,max-age=0",
                             "no-cache,no-store", "no-store=1"})
        EXPECT_TRUE(saysNoStore(says)) << says;
    for (const char* doesNot :
         {"", "no-cache", "max-age=0, must-revalidate", "no-stored", "private=\"no-store\"",
          "private=\"a, no-store\", max-age=5", "x-no-store"})
        EXPECT_FALSE(saysNoStore(doesNot)) << doesNot;
}

TEST(Retention, CutoffsAreCalendarMonthsBackAndForeverHasNone) {
    using namespace std::chrono;
    const auto at = [](int y, unsigned m, unsigned d, int hour) {
        return sys_days(year(y) / month(m) / day(d)) + hours(hour);
    };
    const auto cutoff = [&](Retention retention, sys_time<hours> now) {
        return retentionCutoff(retention, now);
    };
    EXPECT_EQ(cutoff(Retention::OneMonth, at(2026, 12, 8, 15)), toStoredTime(at(2026, 11, 8, 15)));
    EXPECT_EQ(cutoff(Retention::ThreeMonths, at(2026, 1, 15, 0)),
              toStoredTime(at(2025, 10, 15, 0)));
    EXPECT_EQ(cutoff(Retention::OneYear, at(2028, 2, 29, 9)), toStoredTime(at(2027, 2, 28, 9)));
    EXPECT_EQ(cutoff(Retention::OneMonth, at(2026, 3, 31, 23)), toStoredTime(at(2026, 2, 28, 23)));
    EXPECT_EQ(cutoff(Retention::Forever, at(2026, 12, 8, 0)), std::nullopt);
}

TEST(Retention, TheSettingReadsBackAndAnythingElseIsForever) {
    for (const Retention retention : kRetentions)
        EXPECT_EQ(retentionFromSetting(retentionSetting(retention)), retention);
    for (const char* stored : {"", "2m", "1M", "forever ", "30"})
        EXPECT_EQ(retentionFromSetting(stored), Retention::Forever) << stored;
    EXPECT_STREQ(retentionName(Retention::ThreeMonths), "3か月");
    EXPECT_STREQ(retentionName(Retention::Forever), "無期限");
}

TEST(Retention, TheSummarySaysPagesAndMegabytes) {
    EXPECT_EQ(keptHistorySummary(12345, 210'000'000), "保存されている履歴: 12,345 ページ (210 MB)");
    EXPECT_EQ(keptHistorySummary(0, 0), "保存されている履歴: 0 ページ (0.0 MB)");
    EXPECT_EQ(keptHistorySummary(7, 4'250'000), "保存されている履歴: 7 ページ (4.2 MB)");
    EXPECT_EQ(keptHistorySummary(1'234'567, 1'234'500'000),
              "保存されている履歴: 1,234,567 ページ (1,235 MB)");
    EXPECT_EQ(savedCopiesSummary(1'950'000'000), "保存したページ: 1,950 MB");
    EXPECT_EQ(savedCopiesSummary(-1), "保存したページ: 0.0 MB");
}

TEST(Retention, TheSavedCopiesSpaceReadsBackAndIsTwoGigabytesUnlessSet) {
    for (const SavedCopiesSpace& space : kSavedCopiesSpaces)
        EXPECT_EQ(&savedCopiesSpaceFromSetting(space.setting), &space);
    for (const char* stored : {"", "2GB", "1tb", "unlimited "})
        EXPECT_EQ(savedCopiesSpaceFromSetting(stored).bytes, 2'000'000'000) << stored;
    EXPECT_EQ(savedCopiesSpaceFromSetting("unlimited").bytes, std::nullopt);
    EXPECT_STREQ(savedCopiesSpaceFromSetting("500mb").name, "500 MB");
}
