// SPDX-License-Identifier: MIT
#include "ThumbnailSizeRule.h"

#include <gtest/gtest.h>

using quillet::correctedThumbnailSide;

TEST(ThumbnailSizeRule, OutOfRangeBecomesTheNearestLimit) {
    EXPECT_EQ(correctedThumbnailSide("30"), "50");
    EXPECT_EQ(correctedThumbnailSide("49.9"), "50");
    EXPECT_EQ(correctedThumbnailSide("-120"), "50");
    EXPECT_EQ(correctedThumbnailSide("abc"), "50");
    EXPECT_EQ(correctedThumbnailSide(""), "50");
    EXPECT_EQ(correctedThumbnailSide("500"), "300");
    EXPECT_EQ(correctedThumbnailSide("300.5"), "300");
    EXPECT_EQ(correctedThumbnailSide("1E+20"), "300");
}

TEST(ThumbnailSizeRule, AcceptableTextStaysAsTyped) {
    EXPECT_EQ(correctedThumbnailSide("50"), "50");
    EXPECT_EQ(correctedThumbnailSide("300"), "300");
    EXPECT_EQ(correctedThumbnailSide("200px"), "200px");
    EXPECT_EQ(correctedThumbnailSide(" 120.25"), " 120.25");
    EXPECT_EQ(correctedThumbnailSide("&H64"), "&H64");
}
