// SPDX-License-Identifier: MIT
#include "ExportWriter.h"

#include "modPublic.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace quillet {
namespace {

// Owns one open file descriptor.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, so that a failing close (a full disk on some file systems) is seen.
    void close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            throw std::system_error(errno, std::generic_category(), "close");
    }

  private:
    int fd_;
};

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw std::system_error(errno, std::generic_category(), "write");
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// The process's file-creation mask, read without changing it (umask() can only set it).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("Umask:"))
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    const mode_t mask = ::umask(022); // no /proc: read it by setting it, then put it back
    ::umask(mask);
    return mask;
}

// Writes `bytes` to a new file in `folder` and renames it to `path`: readers see the old file
// or the whole new one, and a symbolic link at `path` is replaced rather than written through.
void replaceFile(const std::string& folder, const std::string& path, std::string_view bytes) {
    std::string temporary = folder + "/.quillet-export-XXXXXX";
    FileDescriptor file(::mkstemp(temporary.data()));
    if (file.get() < 0)
        throw std::system_error(errno, std::generic_category(), "create");
    try {
        // mkstemp makes the file private; give it the mode any new file of the user's gets.
        if (::fchmod(file.get(), 0666 & ~currentUmask()) != 0)
            throw std::system_error(errno, std::generic_category(), "chmod");
        writeAll(file.get(), bytes);
        file.close();
        if (::rename(temporary.c_str(), path.c_str()) != 0)
            throw std::system_error(errno, std::generic_category(), "rename");
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

} // namespace

std::string shortcutFileName(std::string title) {
    for (const char* replaced : {"\\", "/", ":", ",", ";", "*", "?", "\"", "<", ">", "|"})
        modPublic::ReplaceAll(title, replaced, "_");
    return title;
}

std::string shortcutFileContent(const std::string& address) {
    return "[InternetShortcut]\r\nURL=" + address + "\r\n";
}

ExportRun::ExportRun(ExportSource& source, std::string folder, bool withBitmaps)
    : source_(source), folder_(std::move(folder)), withBitmaps_(withBitmaps),
      count_(source.count()) {}

bool ExportRun::step() {
    while (!finished() && !source_.entry(next_).checked)
        ++next_;
    if (finished())
        return false;
    const int i = next_++;
    const ExportEntry entry = source_.entry(i);
    ++result_.exported;
    try {
        const std::string prefix = folder_ + "/";
        const std::string name = shortcutFileName(entry.title);
        if (name.find('\0') != std::string::npos)
            throw std::invalid_argument("the title holds a character no file name can");
        replaceFile(folder_, prefix + name + ".url", shortcutFileContent(entry.address));
        if (withBitmaps_) {
            const std::vector<std::uint8_t> bitmap = source_.bitmapFile(entry.key);
            replaceFile(
                folder_, prefix + name + ".bmp",
                std::string_view(reinterpret_cast<const char*>(bitmap.data()), bitmap.size()));
        }
    } catch (const std::exception& error) {
        result_.failure = ExportFailure{i, entry.title, error.what()};
        return false;
    }
    source_.clearCheck(i);
    return !finished();
}

ExportResult exportCheckedEntries(ExportSource& source, const std::string& folder,
                                  bool withBitmaps) {
    ExportRun run(source, folder, withBitmaps);
    while (run.step()) {
    }
    return run.result();
}

} // namespace quillet
