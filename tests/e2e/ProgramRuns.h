// SPDX-License-Identifier: MIT
#pragma once
// Running the real program as a user's desktop does: with its settings, cache and data in a
// test folder, started directly or by another program, and ended by SIGTERM.

#include "HistoryStore.h"
#include "TestSupport.h"

#include <array>
#include <memory>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace quillet::test {

// The XDG folders a run uses, each under its name in the test's home folder.
inline constexpr std::array<std::pair<const char*, const char*>, 3> kXdgFolders = {
    {{"XDG_CONFIG_HOME", "config"}, {"XDG_CACHE_HOME", "cache"}, {"XDG_DATA_HOME", "data"}}};

// In a child process about to exec: the XDG folders of `home`.
void useHome(const TempFolder& home);

// Starts the real program with `arguments`, in `workingFolder` when one is given.
pid_t startQuillet(const TempFolder& home, const std::vector<std::string>& arguments = {},
                   const std::string& workingFolder = "");

// Starts a program (xdg-open, gio) with the folders of `home`, in `workingFolder` when one
// is given.
pid_t startWithHome(const TempFolder& home, const std::vector<std::string>& command,
                    const std::string& workingFolder = "");

// Ends the program as the session does (SIGTERM); true when it ended with status 0.
bool endQuillet(pid_t child);
// Ends every Quillet below this process; true when each ended with status 0.
bool endEveryQuillet();
// Waits for a child that ends by itself; true when it ended with status 0. A program that
// another one started (xdg-open waits for its browser) counts once it is gone: its status
// goes to that program.
bool endedCleanly(pid_t child);
// Waits until no process is left below this one (WebKit's processes finish their files after
// the program has ended), reaping those that were handed to it.
bool everyProcessBelowEnded();

// Whether a window (X11) has exactly this caption; `caption` is an extended regular
// expression's text, so parentheses in it need a backslash.
bool windowTitled(const std::string& caption);

// The kept history file of `home`; the addresses in it, sorted; the visits of one address.
// While the file cannot be read: none.
std::string keptHistoryFile(const TempFolder& home);
// The kept history as a Quillet made it, for reading; none before one has. Opened under the
// folder's lock, as Quillet opens it, and never made here: a file this made (empty at first)
// would be taken by a Quillet starting meanwhile for a damaged one, and set aside.
std::unique_ptr<HistoryStore> readKeptHistory(const TempFolder& home);
std::vector<std::string> keptAddresses(const TempFolder& home);
std::size_t keptVisitsOf(const TempFolder& home, const std::string& address);

// Installs this build's desktop entry in `home` (its Exec lines starting this build) and makes
// it the desktop's web browser with xdg-settings, as a user would.
void registerAsDefaultBrowser(const TempFolder& home);

} // namespace quillet::test
