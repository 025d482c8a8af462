// SPDX-License-Identifier: MIT
#include "CommandLine.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

using quillet::addressFromArgument;
using quillet::answerCommandLine;
using quillet::Privacy;

TEST(CommandLine, NoArgumentsRunsTheBrowser) {
    const auto answer = answerCommandLine({});
    EXPECT_TRUE(answer.run);
    EXPECT_TRUE(answer.addresses.empty());
}

TEST(CommandLine, VersionAndHelpAnswerOnStandardOutput) {
    const auto version = answerCommandLine({"--version"});
    EXPECT_FALSE(version.run);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Quillet " QUILLET_VERSION "\n");
    const auto help = answerCommandLine({"--help"});
    EXPECT_FALSE(help.run);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: quillet [OPTION...] [ADDRESS...]"));
    EXPECT_TRUE(help.err.empty());
}

TEST(CommandLine, AddressesAreVisitedInTheOrderGiven) {
    const auto answer = answerCommandLine({"https://a.test/", "--", "-odd.test", "b.test"});
    EXPECT_TRUE(answer.run);
    EXPECT_EQ(answer.addresses,
              (std::vector<std::string>{"https://a.test/", "-odd.test", "b.test"}));
}

TEST(CommandLine, PrivateMarksTheRunWhereverItStandsBeforeTheEndOfOptions) {
    EXPECT_EQ(answerCommandLine({"a.test"}).privacy, Privacy::Normal);
    const auto first = answerCommandLine({"--private"});
    EXPECT_TRUE(first.run);
    EXPECT_EQ(first.privacy, Privacy::Private);
    EXPECT_TRUE(first.addresses.empty());
    const auto after = answerCommandLine({"a.test", "--private", "b.test"});
    EXPECT_EQ(after.privacy, Privacy::Private);
    EXPECT_EQ(after.addresses, (std::vector<std::string>{"a.test", "b.test"}));
    // After "--" it is an address, as typed.
    const auto ended = answerCommandLine({"--", "--private"});
    EXPECT_EQ(ended.privacy, Privacy::Normal);
    EXPECT_EQ(ended.addresses, std::vector<std::string>{"--private"});
}

TEST(CommandLine, UnknownOptionsAndEmptyArgumentsAreRefusedWithStatusTwo) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{{"--version", "x"},
                                                                       {"-v"},
                                                                       {""},
                                                                       {"--help", "--version"},
                                                                       {"a.test", "--privat"},
                                                                       {"--private=1"}}) {
        const auto answer = answerCommandLine(arguments);
        EXPECT_FALSE(answer.run);
        EXPECT_EQ(answer.exitCode, 2);
        EXPECT_TRUE(answer.out.empty());
        EXPECT_NE(answer.err.find("quillet: unknown option"), std::string::npos);
    }
}

TEST(CommandLine, LocalPathsBecomeAbsoluteFileAddresses) {
    quillet::test::TempFolder folder;
    quillet::test::writeFile(folder.file("ページ 1.html"), "<p>1</p>");
    quillet::test::writeFile(folder.file("page.html"), "<p>2</p>");
    const std::string base = "file://" + folder.path();
    EXPECT_EQ(addressFromArgument("./ページ 1.html", folder.path()),
              base + "/%E3%83%9A%E3%83%BC%E3%82%B8%201.html");
    EXPECT_EQ(addressFromArgument("page.html", folder.path()), base + "/page.html");
    EXPECT_EQ(addressFromArgument("sub/../page.html", folder.path()), base + "/page.html");
    EXPECT_EQ(addressFromArgument("/usr/share/doc/a b/index.html", folder.path()),
              "file:///usr/share/doc/a%20b/index.html");
    // Not a file here: an address as typed.
    EXPECT_EQ(addressFromArgument("example.org", folder.path()), "example.org");
    EXPECT_EQ(addressFromArgument("localhost:8080/x", folder.path()), "localhost:8080/x");
    for (const char* address :
         {"https://example.org/a?b#c", "file:///tmp/x.html", "about:blank", "quillet://home/"})
        EXPECT_EQ(addressFromArgument(address, folder.path()), address);
}

TEST(CommandLine, APrivateWindowsCaptionSaysSoFromTheStart) {
    using quillet::windowCaption;
    EXPECT_EQ(windowCaption(Privacy::Normal, ""), "");
    EXPECT_EQ(windowCaption(Privacy::Normal, "ホーム"), "Quillet ホーム");
    EXPECT_EQ(windowCaption(Privacy::Private, ""), "Quillet (プライベート)");
    EXPECT_EQ(windowCaption(Privacy::Private, "読み込み中..."),
              "Quillet (プライベート) 読み込み中...");
}
