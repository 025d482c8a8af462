// SPDX-License-Identifier: MIT
#include "ProgramRuns.h"
#include "TestSeal.h"

#include "FolderLock.h"
#include "HistoryStore.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillet::test {

using namespace std::chrono_literals;

void useHome(const TempFolder& home) {
    for (const auto& [variable, folder] : kXdgFolders)
        setenv(variable, home.file(folder).c_str(), 1);
}

pid_t startWithHome(const TempFolder& home, const std::vector<std::string>& command,
                    const std::string& workingFolder) {
    const pid_t child = fork();
    if (child == 0) {
        useHome(home);
        if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0)
            _exit(126);
        std::vector<char*> argv;
        for (const std::string& part : command)
            argv.push_back(const_cast<char*>(part.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

pid_t startQuillet(const TempFolder& home, const std::vector<std::string>& arguments,
                   const std::string& workingFolder) {
    std::vector<std::string> command{QUILLET_BINARY};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return startWithHome(home, command, workingFolder);
}

bool endedCleanly(pid_t child) {
    int status = 0;
    bool ours = true;
    const bool ended = pumpUntil(
        [&] {
            const pid_t waited = waitpid(child, &status, WNOHANG);
            if (waited == -1 && errno == ECHILD) {
                ours = false; // another program's child: gone once that program reaped it
                return kill(child, 0) != 0;
            }
            return waited == child;
        },
        20s);
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    return ended && (!ours || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
}

bool everyProcessBelowEnded() {
    return pumpUntil(
        [] {
            while (waitpid(-1, nullptr, WNOHANG) > 0) {
            }
            return descendantProcesses().empty();
        },
        20s);
}

bool endQuillet(pid_t child) {
    kill(child, SIGTERM);
    return endedCleanly(child);
}

bool endEveryQuillet() {
    bool clean = true;
    for (const auto& [pid, name] : descendantProcesses())
        if (name == "quillet")
            clean = endQuillet(pid) && clean;
    return clean;
}

bool windowTitled(const std::string& caption) {
    const std::string command = "xdotool search --name '^" + caption + "$' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string keptHistoryFile(const TempFolder& home) {
    return home.file("data/Quillet/history.sqlite");
}

std::unique_ptr<HistoryStore> readKeptHistory(const TempFolder& home) {
    const std::string folder = home.file("data/Quillet");
    if (!std::filesystem::exists(folder))
        return nullptr;
    const FolderLock lock(folder);
    std::error_code noSize;
    if (std::filesystem::file_size(keptHistoryFile(home), noSize) == 0 || noSize)
        return nullptr;
    try {
        return std::make_unique<HistoryStore>(keptHistoryFile(home), keyringSeal());
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::vector<std::string> keptAddresses(const TempFolder& home) {
    std::vector<std::string> addresses;
    try {
        if (const auto store = readKeptHistory(home))
            for (const StoredEntry& entry : store->newest(100, false))
                addresses.push_back(entry.address);
    } catch (const std::exception&) {
        return {};
    }
    std::sort(addresses.begin(), addresses.end());
    return addresses;
}

std::size_t keptVisitsOf(const TempFolder& home, const std::string& address) {
    try {
        const auto store = readKeptHistory(home);
        return store ? store->visitsOf(address).size() : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

void registerAsDefaultBrowser(const TempFolder& home) {
    std::string entry = readFile(QUILLET_DESKTOP_ENTRY);
    const std::string program = "Exec=quillet ";
    ASSERT_NE(entry.find(program), std::string::npos);
    for (auto at = entry.find(program); at != std::string::npos; at = entry.find(program, at))
        entry.replace(at, program.size(), std::string("Exec=") + QUILLET_BINARY + " ");
    writeFile(home.file("data/applications/org.quillet.Quillet.desktop"), entry);
    const pid_t settings = startWithHome(
        home, {"xdg-settings", "set", "default-web-browser", "org.quillet.Quillet.desktop"});
    ASSERT_TRUE(endedCleanly(settings)) << "xdg-settings refused the desktop entry";
}

} // namespace quillet::test
