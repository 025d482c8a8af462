// SPDX-License-Identifier: MIT
#include "ErrorPages.h"

#include <gtest/gtest.h>

using namespace quillet;

TEST(ErrorPages, AddressesAndReasonsAreEscaped) {
    const std::string page = errorPageHtml(PageProblem::LoadFailed,
                                           "http://x/<script>alert('x')</script>&\"", "<b>why</b>");
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;&quot;"),
              std::string::npos);
    EXPECT_NE(page.find("ページを表示できませんでした"), std::string::npos);
    EXPECT_NE(errorPageHtml(PageProblem::UntrustedCertificate, "https://a/", "")
                  .find("<title>安全な接続を確立できませんでした</title>"),
              std::string::npos);
    EXPECT_NE(errorPageHtml(PageProblem::ProcessEnded, "https://a/", "")
                  .find("<title>ページの処理が停止しました</title>"),
              std::string::npos);
}
