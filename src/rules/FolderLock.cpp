// SPDX-License-Identifier: MIT
#include "FolderLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace quillet {

FolderLock::FolderLock(const std::string& folder)
    : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0)
        throw std::system_error(errno, std::generic_category(), folder);
    while (::flock(fd_, LOCK_EX) != 0)
        if (errno != EINTR) {
            const int error = errno;
            ::close(fd_);
            throw std::system_error(error, std::generic_category(), folder);
        }
}

FolderLock::~FolderLock() {
    ::close(fd_);
}

} // namespace quillet
