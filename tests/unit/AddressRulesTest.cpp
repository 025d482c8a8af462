// SPDX-License-Identifier: MIT
#include "AddressRules.h"

#include <gtest/gtest.h>

using namespace quillet;

TEST(AddressRules, KnowsWhichAddressesTheViewShowsItself) {
    for (const char* web : {"http://a.test/", "HTTPS://a.test/", "file:///tmp/x.html",
                            "about:blank", "data:text/html,x", "blob:http://a.test/1", "a.test"})
        EXPECT_EQ(addressKind(web), AddressKind::Web) << web;
    for (const char* ours : {"quillet://history/", "QUILLET://home/", "quillet:x"})
        EXPECT_EQ(addressKind(ours), AddressKind::BuiltIn) << ours;
    for (const char* other :
         {"mailto:a@b.test", "tel:+81", "magnet:?xt=1", "x-custom+1.a:b", "javascript:alert(1)"})
        EXPECT_EQ(addressKind(other), AddressKind::Elsewhere) << other;
    EXPECT_EQ(schemeOf("Mailto:x"), "mailto");
    EXPECT_EQ(schemeOf("1abc:x"), "");
    EXPECT_EQ(schemeOf("a b:x"), "");
    EXPECT_EQ(schemeOf(":x"), "");
}

TEST(AddressRules, QuilletsOwnPagesAreEnteredOnlyFromQuilletOrTheirOwn) {
    EXPECT_TRUE(mayEnterBuiltInPage(NavigationCause::Quillet, "http://evil.test/"));
    EXPECT_TRUE(mayEnterBuiltInPage(NavigationCause::BackForward, "http://evil.test/"));
    EXPECT_TRUE(mayEnterBuiltInPage(NavigationCause::Page, "quillet://history/?q=a"));
    for (const char* page : {"http://evil.test/", "about:blank", "data:text/html,x", ""})
        EXPECT_FALSE(mayEnterBuiltInPage(NavigationCause::Page, page)) << page;
    // A saved copy is a web page's own bytes shown again: no way in for it either.
    EXPECT_TRUE(isSavedCopyAddress("QUILLET://saved/?a=x&t=1"));
    EXPECT_FALSE(isSavedCopyAddress("quillet://savedx/"));
    EXPECT_FALSE(mayEnterBuiltInPage(NavigationCause::Page, "quillet://saved/?a=x&t=1"));
    EXPECT_TRUE(mayEnterBuiltInPage(NavigationCause::Quillet, "quillet://saved/?a=x&t=1"));
}

TEST(AddressRules, TheQuestionNamesTheProgramAndTheAddress) {
    EXPECT_EQ(openElsewhereQuestion("Thunderbird", "mailto:a@b.test"),
              "このページが Thunderbird で mailto:a@b.test を開こうとしています。");
    EXPECT_EQ(openElsewhereRefused("MAGNET:?xt=1"),
              "このページが magnet: のアドレスを開こうとしました");
    OpenElsewhereAnswers answers;
    EXPECT_EQ(answers.answer("http://a.test", "mailto"), std::nullopt);
    answers.remember("http://a.test", "mailto", true);
    answers.remember("http://a.test", "tel", false);
    EXPECT_EQ(answers.answer("http://a.test", "mailto"), true);
    EXPECT_EQ(answers.answer("http://a.test", "tel"), false);
    // Per site (scheme, host and port) and scheme.
    EXPECT_EQ(answers.answer("https://a.test", "mailto"), std::nullopt);
    EXPECT_EQ(answers.answer("http://a.test:8080", "mailto"), std::nullopt);
    EXPECT_EQ(answers.answer("http://a.test", "magnet"), std::nullopt);
}
