// SPDX-License-Identifier: MIT
#include "PermissionRules.h"

#include <gtest/gtest.h>

using namespace quillet;

TEST(PermissionAnswers, ARequestIsAnsweredOnlyWhenEveryPartOfItWas) {
    PermissionAnswers answers;
    const std::string site = "https://call.example";
    EXPECT_EQ(answers.answer(site, kCamera | kMicrophone), std::nullopt);
    answers.remember(site, kCamera, true);
    EXPECT_EQ(answers.answer(site, kCamera), true);
    // The microphone was never asked about: the call asks again.
    EXPECT_EQ(answers.answer(site, kCamera | kMicrophone), std::nullopt);
    answers.remember(site, kMicrophone, false);
    EXPECT_EQ(answers.answer(site, kCamera | kMicrophone), false); // one refusal refuses all
    answers.remember(site, kCamera | kMicrophone, true);
    EXPECT_EQ(answers.answer(site, kCamera | kMicrophone), true); // the later answer holds
    // Per site, scheme and port included.
    EXPECT_EQ(answers.answer("http://call.example", kCamera), std::nullopt);
    EXPECT_EQ(answers.answer(site, kLocation), std::nullopt);
    EXPECT_EQ(answers.answer(site, 0), std::nullopt);
}

TEST(PermissionQuestion, NamesTheSiteAndWhatItWants) {
    EXPECT_EQ(permissionQuestion("http://127.0.0.1:8080", kLocation),
              "http://127.0.0.1:8080 が位置情報の利用を求めています。");
    EXPECT_EQ(permissionQuestion("https://a.example", kCamera | kMicrophone),
              "https://a.example がカメラとマイクの使用を求めています。");
    EXPECT_EQ(permissionQuestion("https://a.example", kMicrophone),
              "https://a.example がマイクの使用を求めています。");
    EXPECT_EQ(permissionQuestion("https://a.example", kScreen | kMicrophone),
              "https://a.example が画面の共有を求めています。");
    EXPECT_EQ(permissionQuestion("https://a.example", kClipboardRead),
              "https://a.example がクリップボードの読み取りを求めています。");
    EXPECT_EQ(permissionNamed("geolocation"), kLocation);
    EXPECT_EQ(permissionNamed("push"), std::nullopt);
}
