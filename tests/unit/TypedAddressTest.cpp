// SPDX-License-Identifier: MIT
// A typed address without a scheme is a web address when it names a host; other text is
// left alone, so it fails as an address rather than becoming a search.

#include "TypedAddress.h"

#include <gtest/gtest.h>

using quillet::withWebScheme;

TEST(TypedAddress, HostsGetHttp) {
    EXPECT_EQ(withWebScheme("example.com"), "http://example.com");
    EXPECT_EQ(withWebScheme("example.com/a?b=c#d"), "http://example.com/a?b=c#d");
    EXPECT_EQ(withWebScheme("localhost:8080/x"), "http://localhost:8080/x");
    EXPECT_EQ(withWebScheme("localhost"), "http://localhost");
    EXPECT_EQ(withWebScheme("127.0.0.1:43210/plain"), "http://127.0.0.1:43210/plain");
    EXPECT_EQ(withWebScheme("[::1]:8080/"), "http://[::1]:8080/");
    EXPECT_EQ(withWebScheme("例え.jp/パス"), "http://例え.jp/パス");
}

TEST(TypedAddress, AddressesWithASchemeAndPlainTextStayAsTyped) {
    for (const char* same :
         {"http://example.com", "https://a.b/", "quillet://home/", "mailto:someone@example.com",
          "tel:+81312345678", "about:blank", "file:///tmp/a.html", "magnet:?xt=urn:btih:abc",
          "hello world", "example", "", "localhost:port", ".com", "a..", "what is this?"})
        EXPECT_EQ(withWebScheme(same), same) << same;
}
