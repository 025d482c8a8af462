// SPDX-License-Identifier: MIT
// A process that stores pages in a kept history as fast as it can, saying on stdout when each
// one is committed: the tests kill it (kill -9) in the middle, or run two at once.
//
//   history_writer FOLDER PREFIX COUNT
//   history_writer FOLDER PREFIX -N     removes every page from the Nth on (most of them), saying
//                                       "removing" before it begins and "removed" once done

#include "HistoryFile.h"
#include "TestSeal.h"

#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    if (argc != 4)
        return 2;
    const std::string prefix = argv[2];
    const int count = std::stoi(argv[3]);
    quillet::OpenedHistory opened = quillet::openKeptHistory(
        argv[1], std::chrono::system_clock::now(), quillet::test::testSeal());
    if (count < 0) {
        std::printf("removing\n");
        std::fflush(stdout);
        opened.store->removeVisitedSince(1'000'000 - count);
        std::printf("removed\n");
        std::fflush(stdout);
        return 0;
    }
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "東京都の天気予報と history text ";
    for (int i = 0; i < count; ++i) {
        const std::string address = "http://" + prefix + ".test/" + std::to_string(i);
        opened.store->store({address,
                             "page " + std::to_string(i),
                             1'000'000 + i,
                             {120, 120, std::vector<std::uint8_t>(4000, 7)},
                             text});
        std::printf("%s\n", address.c_str());
        std::fflush(stdout);
    }
    return 0;
}
