// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include <gtest/gtest.h>

using quillet::answerCommandLine;

TEST(CommandLine, NoArgumentsRunsTheBrowser) {
    EXPECT_TRUE(answerCommandLine({}).run);
}

TEST(CommandLine, VersionAndHelpAnswerOnStandardOutput) {
    const auto version = answerCommandLine({"--version"});
    EXPECT_FALSE(version.run);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "Quillet " QUILLET_VERSION "\n");
    const auto help = answerCommandLine({"--help"});
    EXPECT_FALSE(help.run);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: quillet"));
    EXPECT_TRUE(help.err.empty());
}

TEST(CommandLine, AnythingElseIsRefusedWithStatusTwo) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"http://example.com/"}, {"--version", "x"}, {"-v"}, {""}, {"--help", "--version"}}) {
        const auto answer = answerCommandLine(arguments);
        EXPECT_FALSE(answer.run);
        EXPECT_EQ(answer.exitCode, 2);
        EXPECT_TRUE(answer.out.empty());
        EXPECT_NE(answer.err.find("quillet: unknown argument"), std::string::npos);
    }
}
