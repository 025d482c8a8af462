#pragma once
// What the window tests share: running the main loop until something happens, the process
// tree, and answering the program's message boxes (and the file helpers of TestFiles.h).

#include "TestFiles.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quillet::test {

// Runs the main loop until `done` holds or `timeout` passes; returns whether it held.
bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));
void pumpFor(std::chrono::milliseconds duration);

// The processes below this one, at any depth (WebKit's web and network processes, also when
// they run inside a sandbox), by PID with their names.
std::map<int, std::string> descendantProcesses();

// While alive, answers every message box the program shows with OK and keeps its text.
class MessageBoxAnswerer {
  public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    const std::vector<std::string>& texts() const { return texts_; }

  private:
    std::vector<std::string> texts_;
    unsigned source_ = 0;
};

} // namespace quillet::test
