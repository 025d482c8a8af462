// SPDX-License-Identifier: MIT
// The engine's copy of a page read from its stream: one whose bytes the engine holds in memory
// at once, any other kind a part at a time, and neither past PageArchive::kLargest (a page can
// make its copy as large as it likes).

#include "PageArchive.h"

#include "GObjectPtr.h"
#include "TestFiles.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gio/gio.h>
#include <gio/gunixinputstream.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace quillet;
using namespace std::chrono_literals;

namespace {

GObjectPtr<GInputStream> heldInMemory(const std::string& bytes) {
    return GObjectPtr<GInputStream>(g_memory_input_stream_new_from_data(
        g_memdup2(bytes.data(), bytes.size()), static_cast<gssize>(bytes.size()), g_free));
}

// A stream of another kind: the same bytes behind a buffer.
GObjectPtr<GInputStream> readAsItComes(const std::string& bytes) {
    const GObjectPtr<GInputStream> inner = heldInMemory(bytes);
    return GObjectPtr<GInputStream>(g_buffered_input_stream_new(inner.get()));
}

// A file of `size` zeros that takes no room on the disk.
GObjectPtr<GInputStream> fileOfZeros(const std::string& path, std::uintmax_t size) {
    { std::ofstream create(path); }
    std::filesystem::resize_file(path, size);
    const GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
    return GObjectPtr<GInputStream>(G_INPUT_STREAM(g_file_read(file.get(), nullptr, nullptr)));
}

// What `done` was given once the main loop has run (nothing within `wait`: not called).
std::optional<std::string> copyOf(GInputStream* stream, GCancellable* cancellable = nullptr,
                                  std::chrono::milliseconds wait = 20s) {
    std::optional<std::string> copy;
    PageArchive::readCopy(stream, cancellable, [&](std::string bytes) { copy = std::move(bytes); });
    if (cancellable)
        g_cancellable_cancel(cancellable);
    bool waited = false;
    const guint timer = g_timeout_add(
        static_cast<guint>(wait.count()),
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return gboolean{G_SOURCE_REMOVE};
        },
        &waited);
    while (!copy && !waited)
        g_main_context_iteration(nullptr, true);
    if (!waited)
        g_source_remove(timer);
    return copy;
}

} // namespace

TEST(PageArchive, ACopyIsReadWholeFromAStreamOfAnyKind) {
    std::string page = "MIME-Version: 1.0\r\n\r\n<html>ページ</html>";
    page += std::string(200'000, 'x') + '\0' + "end";
    EXPECT_EQ(copyOf(heldInMemory(page).get()), page);
    EXPECT_EQ(copyOf(readAsItComes(page).get()), page);
    EXPECT_EQ(copyOf(readAsItComes("").get()), "");
}

TEST(PageArchive, NoCopyIsHeldPastTheLargest) {
    const std::string tooLarge(PageArchive::kLargest + 1, 'x');
    EXPECT_EQ(copyOf(heldInMemory(tooLarge).get()), "");
    test::TempFolder folder;
    EXPECT_EQ(
        copyOf(fileOfZeros(folder.file("large"), PageArchive::kLargest).get()).value_or("").size(),
        PageArchive::kLargest);
    EXPECT_EQ(copyOf(fileOfZeros(folder.file("larger"), PageArchive::kLargest + 1).get()), "");
}

// A stream that never ends is read no further than the largest copy (and a little buffer).
TEST(PageArchive, AnEndlessStreamIsReadNoFurtherThanTheLargest) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    std::uintmax_t sent = 0;
    std::thread sender([&] {
        const std::string part(64 * 1024, 'x');
        while (sent < 4 * PageArchive::kLargest) {
            const ssize_t n = ::send(ends[1], part.data(), part.size(), MSG_NOSIGNAL);
            if (n < 0)
                break; // the reader let go
            sent += static_cast<std::uintmax_t>(n);
        }
        ::close(ends[1]);
    });
    const GObjectPtr<GInputStream> endless(g_unix_input_stream_new(ends[0], true));
    EXPECT_EQ(copyOf(endless.get()), "");
    sender.join();
    EXPECT_LT(sent, PageArchive::kLargest + (std::uintmax_t{4} << 20));
}

TEST(PageArchive, ACancelledReadIsNeverHandedOver) {
    test::TempFolder folder;
    const GObjectPtr<GCancellable> cancellable(g_cancellable_new());
    EXPECT_EQ(copyOf(fileOfZeros(folder.file("page"), 1 << 20).get(), cancellable.get(), 500ms),
              std::nullopt);
}
