// SPDX-License-Identifier: MIT
#include "PageArchive.h"

#include "SignalGuard.h"

#include <webkit2/webkit2.h>

#include <memory>
#include <optional>

namespace quillet {
namespace {

struct Request {
    std::function<void(std::string)> done;
    GObjectPtr<GCancellable> cancellable;
    GObjectPtr<GOutputStream> bytes;
};

// The engine hands the message over as a stream over bytes it already holds in memory: read
// them in one copy of a known size, rather than in a loop of small reads on the main loop.
// Nullopt for a stream of another kind.
std::optional<std::string> readHeld(GInputStream* stream) {
    if (!G_IS_MEMORY_INPUT_STREAM(stream) || !G_IS_SEEKABLE(stream))
        return std::nullopt;
    GSeekable* seekable = G_SEEKABLE(stream);
    const goffset at = g_seekable_tell(seekable);
    if (!g_seekable_seek(seekable, 0, G_SEEK_END, nullptr, nullptr))
        return std::nullopt;
    const goffset end = g_seekable_tell(seekable);
    if (!g_seekable_seek(seekable, at, G_SEEK_SET, nullptr, nullptr))
        return std::nullopt;
    if (end - at > static_cast<goffset>(PageArchive::kLargest))
        return std::string();
    std::string bytes(static_cast<std::size_t>(end - at), '\0');
    gsize read = 0;
    if (!g_input_stream_read_all(stream, bytes.data(), bytes.size(), &read, nullptr, nullptr))
        return std::string();
    bytes.resize(read);
    return bytes;
}

// A memory stream's growth (always to a power of two) past kLargest is refused: the write
// fails then, and so does the read of the copy.
gpointer growWithinLargest(gpointer data, gsize size) {
    return size > PageArchive::kLargest ? nullptr : g_realloc(data, size);
}

} // namespace

void PageArchive::save(std::function<void(std::string)> done) {
    if (!running_)
        running_.reset(g_cancellable_new());
    webkit_web_view_save(view_, WEBKIT_SAVE_MODE_MHTML, running_.get(), Guarded<saved>::call,
                         new Request{std::move(done), addReference(running_.get()), nullptr});
}

void PageArchive::cancel() {
    if (running_)
        g_cancellable_cancel(running_.get());
    running_.reset();
}

void PageArchive::saved(GObject* webView, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Request> request(static_cast<Request*>(data));
    GErrorPtr error;
    GObjectPtr<GInputStream> stream(
        webkit_web_view_save_finish(WEBKIT_WEB_VIEW(webView), result, out(error)));
    if (g_cancellable_is_cancelled(request->cancellable.get()))
        return;
    if (!stream) {
        request->done({});
        return;
    }
    readCopy(stream.get(), request->cancellable.get(), std::move(request->done));
}

void PageArchive::readCopy(GInputStream* stream, GCancellable* cancellable,
                           std::function<void(std::string)> done) {
    if (std::optional<std::string> held = readHeld(stream)) {
        done(std::move(*held));
        return;
    }
    // Another kind of stream: read as it comes, a part at a time between the window's events.
    auto request = std::make_unique<Request>(
        Request{std::move(done), cancellable ? addReference(cancellable) : nullptr, nullptr});
    request->bytes.reset(g_memory_output_stream_new(nullptr, 0, growWithinLargest, g_free));
    GOutputStream* into = request->bytes.get(); // before the request is handed over below
    g_output_stream_splice_async(
        into, stream,
        static_cast<GOutputStreamSpliceFlags>(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE |
                                              G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
        G_PRIORITY_LOW, cancellable, Guarded<read>::call, request.release());
}

void PageArchive::read(GObject* into, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<Request> request(static_cast<Request*>(data));
    GErrorPtr error;
    const gssize size = g_output_stream_splice_finish(G_OUTPUT_STREAM(into), result, out(error));
    if (g_cancellable_is_cancelled(request->cancellable.get()))
        return;
    if (size < 0 || static_cast<std::size_t>(size) > kLargest) {
        request->done({});
        return;
    }
    auto* memory = G_MEMORY_OUTPUT_STREAM(into);
    request->done(std::string(static_cast<const char*>(g_memory_output_stream_get_data(memory)),
                              g_memory_output_stream_get_data_size(memory)));
}

} // namespace quillet
