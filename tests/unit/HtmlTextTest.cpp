// SPDX-License-Identifier: MIT
#include "HtmlText.h"

#include <gtest/gtest.h>

using quillet::shownTextOfHtml;

TEST(HtmlText, BlocksBreakLinesInlineTagsDoNotAndHiddenPartsAreLeftOut) {
    EXPECT_EQ(
        shownTextOfHtml("<!DOCTYPE html><html lang=ja><head><meta charset=utf-8>"
                        "<title>ホーム</title><style>h1 { color: red }</style></head>"
                        "<body>\n<H1 class=x>Quillet へようこそ</H1>\n"
                        "<p>アドレス欄で\n   <kbd>Enter</kbd>を押す<!-- <p>not shown</p> --></p>"
                        "<ul><li>一</li><li>二<br>三</li></ul>"
                        "<script>document.write('<p>no</p>')</script>end</body></html>"),
        "Quillet へようこそ\nアドレス欄で Enterを押す\n一\n二\n三\nend");
}

TEST(HtmlText, CharacterReferencesAreDecodedAndStrayAmpersandsKept) {
    EXPECT_EQ(shownTextOfHtml("<p>a &amp; b &lt;c&gt; &quot;d&quot; &#12354;&#x3044; &nbsp;e</p>"),
              "a & b <c> \"d\" あい e");
    EXPECT_EQ(shownTextOfHtml("AT&T &unknown; &#0; &#x110000; &"),
              "AT&T &unknown; &#0; &#x110000; &");
}

TEST(HtmlText, UnfinishedMarkupEndsTheTextWithoutReadingPastIt) {
    EXPECT_EQ(shownTextOfHtml("<p>kept</p><p"), "kept");
    EXPECT_EQ(shownTextOfHtml("kept<!-- open"), "kept");
    EXPECT_EQ(shownTextOfHtml("kept<script>never closed"), "kept");
    EXPECT_EQ(shownTextOfHtml(""), "");
}
