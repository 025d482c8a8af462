// SPDX-License-Identifier: MIT
#pragma once
// An exclusive lock on a folder, held for as long as the object lives, shared by every Quillet
// process: what one of them reads, changes and replaces there, another cannot change meanwhile.
// flock() on the folder leaves no file behind and does not touch SQLite's own locks (fcntl).

#include <string>

namespace quillet {

class FolderLock {
  public:
    // Waits for the lock; throws std::system_error when the folder cannot be opened.
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    int fd_;
};

} // namespace quillet
