// SPDX-License-Identifier: MIT
#include "HistoryStore.h"
#include "SavedArchive.h"
#include "SavedPictures.h"
#include "TestFiles.h"
#include "TestSeal.h"
#include "Zstd.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace quillet;
using quillet::test::TempFolder;

namespace {

// A page saved as the engine saves one: the message's header (its type folded over lines), the
// page's HTML in quoted-printable, then its style sheet and picture in base64, each with the
// address it came from.
std::string
savedPage(const std::string& address, const std::string& body,
          const std::string& styleSheet = "Ym9keSB7IGNvbG9yOiByZ2IoNTEsIDUxLCA1MSk7IH0=",
          const std::string& boundary = "----=_NextPart_000_5343_5080A6D4.BAF4F245") {
    const std::string delimiter = "--" + boundary + "\r\n";
    return "From: <Saved by WebKit>\r\nSubject: ??????\r\nDate: Wed, 9 Dec 2026 23:21:15 -0000\r\n"
           "MIME-Version: 1.0\r\nContent-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n"
           "\tboundary=\"" +
           boundary + "\"\r\n\r\n" + delimiter +
           "Content-Type: text/html\r\nContent-Transfer-Encoding: quoted-printable\r\n"
           "Content-Location: " +
           address + "\r\n\r\n<html><body><p>" + body + "</p></body></html>\r\n" + delimiter +
           "Content-Type: text/css\r\nContent-Transfer-Encoding: base64\r\n"
           "Content-Location: http://site.test/s.css\r\n\r\n" +
           styleSheet + "\r\n" + delimiter +
           "Content-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n"
           "Content-Location: http://site.test/logo.png\r\n\r\niVBORw0KGgoAAAANSUhEUgAAABAAAAAQ"
           "\r\n--" +
           boundary + "--\r\n";
}

PageVisit visitWithCopy(const std::string& address, StoredTime time, const std::string& text) {
    PageVisit visit{address, "ページ", time, {2, 1, {1, 2, 3}}, text};
    visit.savedCopy = savedPage(address, text);
    return visit;
}

// Bytes that do not pack: a part that is stored twice takes twice the space.
std::string unpackable(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string text;
    for (std::size_t i = 0; i < size; ++i)
        text += "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[random() % 64];
    return text;
}

} // namespace

TEST(SavedArchive, ASavedPageComesApartIntoItsPartsAndBackByteForByte) {
    const std::string archive = savedPage("http://site.test/a", "設定のページ");
    const auto split = splitArchive(archive);
    ASSERT_TRUE(split);
    EXPECT_EQ(split->boundary, "----=_NextPart_000_5343_5080A6D4.BAF4F245");
    ASSERT_EQ(split->parts.size(), 3u);
    EXPECT_EQ(headerValue(split->parts[1], "content-location"), "http://site.test/s.css");
    EXPECT_EQ(headerValue(split->head, "Content-Type"),
              "multipart/related; type=\"text/html\"; boundary=\"----=_NextPart_000_5343_5080A6D4."
              "BAF4F245\"");
    EXPECT_EQ(joinArchive(*split), archive);
    EXPECT_EQ(archiveAddress(archive), "http://site.test/a");
    std::string brokenLine = archive;
    brokenLine.insert(brokenLine.find("site.test/a\r\n") + 9, "\n\0", 2);
    EXPECT_FALSE(archiveAddress(brokenLine)) << "an address with a line break in it";
    // Another save of the same page differs in its boundary alone: the parts are the same.
    const auto again = splitArchive(savedPage("http://site.test/a", "設定のページ",
                                              "Ym9keSB7IGNvbG9yOiByZ2IoNTEsIDUxLCA1MSk7IH0=",
                                              "----=_NextPart_000_0001_00000000.00000000"));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->parts, split->parts);
}

TEST(SavedArchive, WhatIsNotAWholeMultipartMessageIsNotTakenApart) {
    const std::string archive = savedPage("http://site.test/a", "text");
    EXPECT_FALSE(splitArchive(""));
    EXPECT_FALSE(splitArchive("<html>a page, not a message</html>"));
    EXPECT_FALSE(splitArchive("Content-Type: text/html\r\n\r\n<p>one part</p>"));
    EXPECT_FALSE(splitArchive("Content-Type: multipart/related\r\n\r\n--x\r\nno boundary named"));
    // Cut anywhere, or with a byte changed anywhere, it is either taken apart into parts that
    // give back exactly what was given, or not at all.
    std::mt19937 random(7);
    for (std::size_t cut = 0; cut < archive.size(); cut += 3) {
        const std::string shorter = archive.substr(0, cut);
        if (const auto split = splitArchive(shorter)) {
            EXPECT_EQ(joinArchive(*split), shorter) << cut;
        }
        std::string changed = archive;
        changed[cut] = static_cast<char>(random());
        if (const auto split = splitArchive(changed)) {
            EXPECT_EQ(joinArchive(*split), changed) << cut;
        }
    }
}

// The frames a copy may show are its own HTML parts after the page itself, by the address
// they were saved from; a style sheet or picture is no frame, nor is the page itself.
TEST(SavedArchive, AFramesAddressesAreTheHtmlPartsAfterThePage) {
    std::string archive = savedPage("http://site.test/a", "page");
    EXPECT_TRUE(archiveFrameAddresses(archive).empty());
    const std::string boundary = "----=_NextPart_000_5343_5080A6D4.BAF4F245";
    const std::string frame = "--" + boundary +
                              "\r\nContent-Type: text/html\r\n"
                              "Content-Location: http://other.test/frame\r\n\r\n<p>f</p>\r\n";
    archive.insert(archive.rfind("--" + boundary + "--"), frame);
    EXPECT_EQ(archiveFrameAddresses(archive), (std::set<std::string>{"http://other.test/frame"}));
    EXPECT_TRUE(archiveFrameAddresses("<html>not a message</html>").empty());
}

// A part's body reads back as the bytes it stands for, whatever its encoding; a broken one
// reads as nothing.
TEST(SavedArchive, APartsBodyIsDecodedAsItsEncodingSays) {
    const auto part = [](const std::string& encoding, const std::string& body) {
        return "Content-Type: image/svg+xml\r\nContent-Transfer-Encoding: " + encoding +
               "\r\n\r\n" + body;
    };
    EXPECT_EQ(decodedBody(part("quoted-printable", "a=3Db =E3=81=82=\r\nc")), "a=b あc");
    EXPECT_EQ(decodedBody(part("Base64", "44GC\r\n44GE")), "あい");
    EXPECT_EQ(decodedBody(part("binary", "as=3Dis")), "as=3Dis");
    EXPECT_FALSE(decodedBody(part("quoted-printable", "broken=Z1")));
    EXPECT_FALSE(decodedBody(part("quoted-printable", "cut=4")));
    EXPECT_FALSE(decodedBody(part("base64", "not*base64")));
}

// Only the SVG pictures are drawn again; the page itself, and every other part, stay as saved.
TEST(SavedArchive, OnlyTheSvgPicturesOfACopyAreDrawnAgain) {
    const std::string plain = savedPage("http://site.test/a", "本文");
    const auto draw = [](std::string_view svg) -> std::optional<std::string> {
        return svg.starts_with("<svg") ? std::optional<std::string>("PNG of " + std::string(svg))
                                       : std::nullopt;
    };
    EXPECT_EQ(withVectorPicturesDrawn(plain, draw), plain);
    EXPECT_EQ(withVectorPicturesDrawn("no message", draw), "no message");
    const std::string boundary = "----=_NextPart_000_5343_5080A6D4.BAF4F245";
    const auto withPicture = [&](const std::string& svg) {
        std::string archive = plain;
        archive.insert(archive.rfind("--" + boundary + "--"),
                       "--" + boundary +
                           "\r\nContent-Type: image/svg+xml\r\nContent-Location: "
                           "http://site.test/p.svg\r\n\r\n" +
                           svg + "\r\n");
        return archive;
    };
    const auto drawn = splitArchive(withVectorPicturesDrawn(withPicture("<svg/>"), draw));
    ASSERT_TRUE(drawn);
    ASSERT_EQ(drawn->parts.size(), 4u);
    EXPECT_EQ(drawn->parts[0], splitArchive(plain)->parts[0]);
    EXPECT_EQ(partType(drawn->parts[3]), "image/png");
    EXPECT_EQ(headerValue(partHeader(drawn->parts[3]), "Content-Location"),
              "http://site.test/p.svg");
    EXPECT_EQ(decodedBody(drawn->parts[3]), "PNG of <svg/>");
    // One that cannot be drawn is left out.
    const auto left = splitArchive(withVectorPicturesDrawn(withPicture("junk"), draw));
    ASSERT_TRUE(left);
    EXPECT_EQ(left->parts, splitArchive(plain)->parts);
}

TEST(Zstd, ReadsBackWhatItPackedAndNothingLargerThanAskedOrBroken) {
    const std::string text = std::string(100000, 'a') + "設定";
    const std::string packed = zstdCompress(text);
    EXPECT_LT(packed.size(), 1000u);
    EXPECT_EQ(zstdDecompress(packed, text.size()), text);
    EXPECT_FALSE(zstdDecompress(packed, text.size() - 1)) << "larger than the bound";
    EXPECT_FALSE(zstdDecompress(packed.substr(0, packed.size() - 1), text.size()));
    EXPECT_FALSE(zstdDecompress(packed + "x", text.size()));
    EXPECT_FALSE(zstdDecompress("not zstd at all", 1000));
}

TEST(SavedCopies, AVisitsCopyReadsBackAsSavedAndAnUnchangedRevisitAddsNoVersion) {
    TempFolder folder;
    HistoryStore store(folder.file("history.sqlite"), test::testSeal());
    store.store(visitWithCopy("http://site.test/a", 100, "ネットワークの設定 first"));
    const std::int64_t once = store.savedCopiesSize();
    for (int visit = 1; visit <= 10; ++visit)
        store.store(
            visitWithCopy("http://site.test/a", 100 + visit * 10, "ネットワークの設定 first"));
    EXPECT_EQ(store.savedCopiesSize(), once) << "an unchanged revisit stored more than its visit";
    ASSERT_EQ(store.savedVersions("http://site.test/a").size(), 1u);

    // The text changed: a new version, beside the old one, each read back byte for byte.
    store.store(visitWithCopy("http://site.test/a", 500, "ネットワークの設定 second"));
    const auto versions = store.savedVersions("http://site.test/a");
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(versions[0].saved, 100);
    EXPECT_EQ(versions[1].saved, 500);
    EXPECT_EQ(store.savedCopy(versions[0].id),
              savedPage("http://site.test/a", "ネットワークの設定 first"));
    EXPECT_EQ(store.savedCopy(versions[1].id),
              savedPage("http://site.test/a", "ネットワークの設定 second"));
    EXPECT_EQ(store.savedCopyText(versions[0].id), "ネットワークの設定 first");
    // The version a visit saw: the newest saved at its time or before.
    EXPECT_EQ(store.savedVersionSeenAt("http://site.test/a", 150)->id, versions[0].id);
    EXPECT_EQ(store.savedVersionSeenAt("http://site.test/a", 500)->id, versions[1].id);
    EXPECT_EQ(store.savedVersionSeenAt("http://site.test/a", 50)->id, versions[0].id);
    EXPECT_FALSE(store.savedVersionSeenAt("http://site.test/none", 50));
    // Back to the first text: a version of its own, as the page showed it then.
    store.store(visitWithCopy("http://site.test/a", 600, "ネットワークの設定 first"));
    EXPECT_EQ(store.savedVersions("http://site.test/a").size(), 3u);
}

TEST(SavedCopies, ASitesSharedStyleSheetAndPictureAreStoredOnce) {
    HistoryStore store(":memory:");
    const std::string styleSheet = unpackable(20000, 1); // a large shared style sheet
    std::int64_t before = 0;
    std::int64_t growth = 0;
    for (int page = 0; page < 20; ++page) {
        PageVisit visit = visitWithCopy("http://site.test/" + std::to_string(page), page,
                                        "ページ " + std::to_string(page));
        visit.savedCopy = savedPage(visit.address, visit.text, styleSheet);
        store.store(visit);
        if (page == 1)
            before = store.savedCopiesSize();
        if (page > 1)
            growth = store.savedCopiesSize() - before;
    }
    // The first page took the shared parts; the other 19 only their own HTML and text.
    EXPECT_GT(before, 0);
    EXPECT_LT(growth, 18 * 400) << "the shared parts were stored again";
    for (int page = 0; page < 20; page += 7) {
        const std::string address = "http://site.test/" + std::to_string(page);
        const auto versions = store.savedVersions(address);
        ASSERT_EQ(versions.size(), 1u);
        EXPECT_EQ(store.savedCopy(versions[0].id),
                  savedPage(address, "ページ " + std::to_string(page), styleSheet));
    }
}

TEST(SavedCopies, NoCopyOfAPageWithheldOrWhoseTextHeldACardNumber) {
    HistoryStore store(":memory:");
    store.store(visitWithCopy("http://shop.test/pay", 100, "カード 4111 1111 1111 1111 で支払う"));
    EXPECT_TRUE(store.savedVersions("http://shop.test/pay").empty());
    PageVisit signIn = visitWithCopy("http://bank.test/", 100, "残高");
    signIn.contentWithheld = true;
    store.store(signIn);
    EXPECT_TRUE(store.savedVersions("http://bank.test/").empty());
    // A copy of another page than the one visited (the view had moved on): not kept.
    PageVisit movedOn = visitWithCopy("http://site.test/here", 100, "本文");
    movedOn.savedCopy = savedPage("http://site.test/next", "本文");
    store.store(movedOn);
    EXPECT_TRUE(store.savedVersions("http://site.test/here").empty());
    movedOn.address = "http://site.test/next#section";
    store.store(movedOn);
    EXPECT_EQ(store.savedVersions("http://site.test/next#section").size(), 1u);
    store.remove("http://site.test/next#section");
    // No text taken: nothing to tell a version by, so no copy either.
    store.store(visitWithCopy("http://quiet.test/", 100, ""));
    EXPECT_TRUE(store.savedVersions("http://quiet.test/").empty());
    // A page kept with its copy, visited again withheld, loses its copies with its text.
    store.store(visitWithCopy("http://bank.test/news", 100, "お知らせ"));
    ASSERT_EQ(store.savedVersions("http://bank.test/news").size(), 1u);
    PageVisit withheld = visitWithCopy("http://bank.test/news", 200, "お知らせ");
    withheld.contentWithheld = true;
    store.store(withheld);
    EXPECT_TRUE(store.savedVersions("http://bank.test/news").empty());
    EXPECT_EQ(store.savedCopiesSize(), 0);
}

// Every removal takes the copies with the page, scrubbed from the file: no byte of a removed
// copy's stored parts stays in the file or its log.
TEST(SavedCopies, RemovingAPageAnyWayTakesItsCopiesOutOfTheFile) {
    TempFolder folder;
    const std::string path = folder.file("history.sqlite");
    HistoryStore store(path, test::testSeal());
    const std::string unique = unpackable(3000, 2); // in a part of each page's own
    auto keep = [&](const std::string& address, StoredTime time) {
        PageVisit visit = visitWithCopy(address, time, "本文 " + address);
        visit.savedCopy = savedPage(address, visit.text, unique + address);
        store.store(visit);
    };
    const std::string packed =
        zstdCompress(splitArchive(savedPage("http://gone.test/1", "本文 http://gone.test/1",
                                            unique + "http://gone.test/1"))
                         ->parts[1]);
    keep("http://gone.test/1", 100);
    keep("http://gone.test/2", 200);
    keep("http://old.test/", 50);
    keep("http://stays.test/", 300);
    ASSERT_NE(test::openedBytes(path, *test::testSeal()).find(packed), std::string::npos)
        << "the test looks for the wrong bytes";
    store.remove("http://gone.test/1");
    store.excludeHost("gone.test");
    store.removeVisitedBefore(60);
    EXPECT_TRUE(store.savedVersions("http://gone.test/1").empty());
    EXPECT_TRUE(store.savedVersions("http://old.test/").empty());
    ASSERT_EQ(store.savedVersions("http://stays.test/").size(), 1u);
    EXPECT_EQ(test::openedBytes(path, *test::testSeal()).find(packed), std::string::npos);
    // What stays reads back whole, and takes what its own copy takes.
    const std::int64_t staying = store.savedCopiesSize();
    EXPECT_EQ(
        store.savedCopy(store.savedVersions("http://stays.test/")[0].id),
        savedPage("http://stays.test/", "本文 http://stays.test/", unique + "http://stays.test/"));
    store.removeVisitedSince(0);
    EXPECT_EQ(store.savedCopiesSize(), 0);
    EXPECT_GT(staying, 0);
}

TEST(SavedCopies, PastTheSpaceSetTheOldestVersionsGoAndThePagesStay) {
    HistoryStore store(":memory:");
    for (int visit = 0; visit < 12; ++visit) {
        PageVisit page = visitWithCopy("http://site.test/" + std::to_string(visit % 4), visit * 10,
                                       "版 " + std::to_string(visit));
        page.savedCopy = savedPage(page.address, page.text, unpackable(4000, visit));
        store.store(page);
    }
    const std::int64_t all = store.savedCopiesSize();
    const int dropped = store.keepSavedCopiesWithin(all / 2);
    EXPECT_GT(dropped, 0);
    EXPECT_LE(store.savedCopiesSize(), all / 2);
    // The oldest went first: every version left is newer than every one dropped.
    StoredTime oldestLeft = 1000;
    for (int page = 0; page < 4; ++page)
        for (const SavedVersion& version :
             store.savedVersions("http://site.test/" + std::to_string(page)))
            oldestLeft = std::min(oldestLeft, version.saved);
    EXPECT_EQ(oldestLeft, dropped * 10);
    EXPECT_EQ(store.pageCount(), 4);
    EXPECT_EQ(store.search("版", 10).size(), 4u) << "the pages' text went with their copies";
    EXPECT_EQ(store.keepSavedCopiesWithin(0), 12 - dropped);
    EXPECT_EQ(store.savedCopiesSize(), 0);
}
