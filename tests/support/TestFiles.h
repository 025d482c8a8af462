// SPDX-License-Identifier: MIT
#pragma once
// Temporary folders and whole-file reads and writes, for any test (no display needed).

#include <string>

namespace quillet::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

std::string readFile(const std::string& path);
// Creates the parent folders as needed.
void writeFile(const std::string& path, const std::string& content);

} // namespace quillet::test
