// SPDX-License-Identifier: MIT
#include "ImageList.h"
#include "ListItems.h"

#include <gtest/gtest.h>
#include <stdexcept>

using quillet::ImageList;
using quillet::ListItems;
using quillet::PackedImage;

namespace {
PackedImage picture(int width = 120, int height = 120) {
    return PackedImage{width, height, {1}};
}
} // namespace

TEST(ListItems, AddsAtOneBasedPositionsAndRefusesDuplicateKeys) {
    ListItems items;
    items.add(1, "http://a/", "http://a/", 1);
    items.add(2, "http://b/", "http://b/", 2);
    EXPECT_THROW(items.add(3, "http://a/", "http://a/", 3), std::invalid_argument);
    EXPECT_EQ(items.count(), 2);
    EXPECT_EQ(items.item(2).key, "http://b/");
    EXPECT_EQ(items.item(2).smallIcon, 2);
    EXPECT_EQ(*items.indexOfKey("http://b/"), 2);
    EXPECT_FALSE(items.indexOfKey("http://c/"));
    EXPECT_THROW(items.item(0), std::out_of_range);
    EXPECT_THROW(items.item(3), std::out_of_range);
    EXPECT_THROW(items.add(5, "http://e/", "x", 5), std::out_of_range);
    // Keys differ by case: addresses are compared exactly.
    EXPECT_NO_THROW(items.add(3, "http://A/", "http://A/", 3));
}

TEST(ListItems, InsertingMovesLaterItemsAndTheirKeys) {
    ListItems items;
    items.add(1, "b", "b", 1);
    items.add(1, "a", "a", 2);
    EXPECT_EQ(items.item(1).key, "a");
    EXPECT_EQ(*items.indexOfKey("b"), 2);
    EXPECT_EQ(*items.selected(), 2); // the selected item moved with its item
}

TEST(ListItems, SubItemsChecksAndSelection) {
    ListItems items;
    EXPECT_FALSE(items.selected());
    items.add(1, "k1", "t1", 1);
    EXPECT_EQ(*items.selected(), 1); // a list holding items always has a selected one
    items.add(2, "k2", "t2", 2);
    EXPECT_EQ(*items.selected(), 1);
    EXPECT_EQ(items.item(2).subItem1, "");
    items.setSubItem(2, 1, "Title");
    items.setSubItem(2, 2, "2024/05/01 09:05:03");
    EXPECT_EQ(items.item(2).subItem1, "Title");
    EXPECT_EQ(items.item(2).subItem2, "2024/05/01 09:05:03");
    EXPECT_THROW(items.setSubItem(2, 3, "x"), std::out_of_range);
    EXPECT_FALSE(items.item(1).checked);
    items.setChecked(1, true);
    EXPECT_TRUE(items.item(1).checked);
    items.select(2);
    EXPECT_EQ(*items.selected(), 2);
    EXPECT_THROW(items.select(3), std::out_of_range);
}

TEST(ListItems, FindItemMatchesTheBeginningFromAStartWithoutWrapping) {
    ListItems items;
    items.add(1, "1", "http://example.com/", 1);
    items.add(2, "2", "http://sub.example.com/", 2);
    items.add(3, "3", "http://example.com/a", 3);
    EXPECT_EQ(*items.findItem("http://example.com", 1), 1);
    EXPECT_EQ(*items.findItem("http://example.com", 2), 3);
    EXPECT_FALSE(items.findItem("http://example.com", 4));
    EXPECT_FALSE(items.findItem("http://example.com/b", 1));
    EXPECT_FALSE(items.findItem("HTTP://EXAMPLE.COM", 1));
    EXPECT_FALSE(items.findItem("example.com", 1)); // a match must be at the beginning
    EXPECT_EQ(*items.findItem("", 2), 2);
}

TEST(ImageList, KeysAreUniqueAndTheFirstImageFixesTheSize) {
    ImageList images;
    EXPECT_EQ(images.imageWidth(), 0);
    images.add(1, "a", picture(160, 120));
    EXPECT_EQ(images.imageWidth(), 160);
    EXPECT_EQ(images.imageHeight(), 120);
    EXPECT_THROW(images.add(2, "a", picture(160, 120)), std::invalid_argument);
    EXPECT_THROW(images.add(2, "b", picture(120, 120)), std::invalid_argument);
    EXPECT_EQ(images.count(), 1);
    images.add(2, "b", PackedImage{160, 120, {7, 8}});
    EXPECT_EQ(images.image("b").bytes, (std::vector<std::uint8_t>{7, 8}));
    EXPECT_EQ(images.image(2).bytes, images.image("b").bytes);
    EXPECT_TRUE(images.contains("a"));
    EXPECT_THROW(images.image("c"), std::out_of_range);
    EXPECT_EQ(images.packedBytes(), 3u);
}

TEST(ImageList, HoldsAtMost32767ImagesAndTheNextPositionOverflows) {
    ImageList images;
    for (int n = 1; n <= ImageList::kMaxCount; ++n)
        images.add(quillet::nextPosition(images.count()), std::to_string(n), picture(2, 2));
    EXPECT_EQ(images.count(), 32767);
    EXPECT_THROW(quillet::nextPosition(images.count()), std::overflow_error);
    EXPECT_THROW(images.add(32768, "more", picture(2, 2)), std::length_error);
    EXPECT_EQ(images.count(), 32767);
    EXPECT_EQ(quillet::nextPosition(0), 1);
    EXPECT_EQ(images.image("32767").width, 2);
}

TEST(ListItems, KeptEntriesInsertedBeforeThisRunsKeepEveryItemOnItsOwnImage) {
    ListItems items;
    ImageList images;
    const auto append = [&](const std::string& key) {
        const int n = items.count() + 1;
        images.add(n, key, {1, 1, {}});
        items.add(n, key, key, n);
    };
    const auto insert = [&](int at, const std::string& key) {
        images.add(at, key, {1, 1, {}});
        items.insertWithImage(at, key, key);
    };
    const auto eachShowsItsOwn = [&] {
        for (int i = 1; i <= items.count(); ++i)
            EXPECT_EQ(images.key(items.item(i).smallIcon), items.item(i).key) << i;
    };
    append("home");
    append("this run");
    items.select(2);
    insert(1, "kept 1");
    insert(2, "kept 2");
    eachShowsItsOwn();
    EXPECT_EQ(items.selected(), 4); // still "this run"

    // Removing an entry takes its image out of the others' numbering too.
    const auto remove = [&](std::unordered_set<std::string> keys) {
        items.removeWithImages(keys);
        images.removeKeys(keys);
    };
    remove({"kept 2"});
    eachShowsItsOwn();
    EXPECT_EQ(items.selected(), 3);
    EXPECT_FALSE(items.indexOfKey("kept 2"));
    EXPECT_FALSE(images.contains("kept 2"));
    // The selected entry removed: the selection moves to the next, or the last at the end.
    remove({"this run"});
    EXPECT_EQ(items.selected(), 2);
    remove({"kept 1", "home", "never there"});
    EXPECT_FALSE(items.selected());
    EXPECT_EQ(images.count(), 0);
}

// Any set of entries goes in one pass: what is left keeps its order, each item its own
// image, and its position is found by key; the selection moves to the next one left.
TEST(ListItems, ASetOfEntriesIsRemovedInOnePassAtTheFullSize) {
    ListItems items;
    ImageList images;
    for (int n = 1; n <= ImageList::kMaxCount; ++n) {
        const std::string key = "http://site/" + std::to_string(n);
        images.add(n, key, {1, 1, {}});
        items.add(n, key, key, n);
    }
    items.select(100);
    std::unordered_set<std::string> odd;
    for (int n = 1; n <= ImageList::kMaxCount; n += 2)
        odd.insert("http://site/" + std::to_string(n));
    odd.insert("http://site/100");
    items.removeWithImages(odd);
    images.removeKeys(odd);
    ASSERT_EQ(items.count(), 16383 - 1);
    ASSERT_EQ(images.count(), items.count());
    for (int i = 1; i <= items.count(); ++i) {
        ASSERT_EQ(images.key(items.item(i).smallIcon), items.item(i).key) << i;
        ASSERT_EQ(items.indexOfKey(items.item(i).key), i);
    }
    EXPECT_EQ(items.item(1).key, "http://site/2");
    EXPECT_EQ(items.item(*items.selected()).key, "http://site/102");
    EXPECT_EQ(items.findItem("http://site/4", 1), 2);
    // Positions freed by the removal are taken again by entries inserted after it.
    images.add(1, "http://kept/1", {1, 1, {}});
    items.insertWithImage(1, "http://kept/1", "http://kept/1");
    items.add(items.count() + 1, "http://new/1", "http://new/1", images.count() + 1);
    images.add(images.count() + 1, "http://new/1", {1, 1, {}});
    for (int i = 1; i <= items.count(); i += 97) {
        ASSERT_EQ(items.indexOfKey(items.item(i).key), i);
        ASSERT_EQ(images.key(items.item(i).smallIcon), items.item(i).key) << i;
    }
    EXPECT_EQ(items.indexOfKey("http://site/2"), 2);
    EXPECT_EQ(items.indexOfKey("http://new/1"), items.count());
    EXPECT_EQ(images.image("http://new/1").width, 1);

    std::unordered_set<std::string> rest;
    for (int i = 1; i <= items.count(); ++i)
        rest.insert(items.item(i).key);
    items.removeWithImages(rest);
    EXPECT_EQ(items.count(), 0);
    EXPECT_FALSE(items.selected());
}
