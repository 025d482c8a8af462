// SPDX-License-Identifier: MIT
#include "PageDownloads.h"

#include "DownloadNames.h"
#include "SignalGuard.h"

#include <algorithm>
#include <cerrno>
#include <glib/gstdio.h>
#include <glibmm/miscutils.h>
#include <webkit2/webkit2.h>

namespace quillet {

// One download in progress: where it is written and where it goes when complete.
struct PageDownloads::Download {
    Id id = 0;
    GObjectPtr<WebKitDownload> download;
    std::string name;      // as the user sees it
    std::string finalPath; // free when chosen
    std::string partPath;  // finalPath + ".part", what WebKit writes
    std::string problem;   // why Quillet stopped it, when it did
    bool failed = false;
};

struct PageDownloads::Signals {
    static void started(WebKitWebContext*, WebKitDownload* download, gpointer data) {
        static_cast<PageDownloads*>(data)->start(download);
    }
    static gboolean decideDestination(WebKitDownload* download, const char* suggested,
                                      gpointer data) {
        auto* self = static_cast<PageDownloads*>(data);
        if (Download* record = self->find(download))
            self->decideDestination(*record, suggested ? suggested : "");
        return TRUE;
    }
    static void receivedData(WebKitDownload* download, guint64, gpointer data) {
        auto* self = static_cast<PageDownloads*>(data);
        if (Download* record = self->find(download))
            self->progress_.emit(record->id, record->name,
                                 webkit_download_get_estimated_progress(download));
    }
    static void failed(WebKitDownload* download, GError* error, gpointer data) {
        auto* self = static_cast<PageDownloads*>(data);
        if (Download* record = self->find(download))
            self->end(*record, error);
    }
    // Follows "failed" as well. The download is no longer running from here on, whatever
    // the handlers told of its end do.
    static void finished(WebKitDownload* download, gpointer data) {
        if (std::unique_ptr<Download> record = static_cast<PageDownloads*>(data)->take(download))
            static_cast<PageDownloads*>(data)->end(*record, nullptr);
    }
};

PageDownloads::PageDownloads(WebKitWebContext* context) : context_(context) {
    connectGuarded<Signals::started>(context_, "download-started", this);
}

PageDownloads::~PageDownloads() {
    g_signal_handlers_disconnect_by_data(context_, this);
    for (const auto& record : downloads_) {
        g_signal_handlers_disconnect_by_data(record->download.get(), this);
        webkit_download_cancel(record->download.get());
        if (!record->partPath.empty())
            g_unlink(record->partPath.c_str()); // nothing half-written outlives the window
    }
}

std::string PageDownloads::folder() {
    const char* folder = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    return folder ? folder : Glib::build_filename(Glib::get_home_dir(), "Downloads");
}

void PageDownloads::cancel(Id id) {
    for (const auto& record : downloads_)
        if (record->id == id)
            webkit_download_cancel(record->download.get());
}

void PageDownloads::start(WebKitDownload* download) {
    auto record = std::make_unique<Download>();
    record->id = ++lastId_;
    record->download = addReference(download);
    downloads_.push_back(std::move(record));
    connectGuarded<Signals::decideDestination>(download, "decide-destination", this);
    connectGuarded<Signals::receivedData>(download, "received-data", this);
    connectGuarded<Signals::failed>(download, "failed", this);
    connectGuarded<Signals::finished>(download, "finished", this);
}

PageDownloads::Download* PageDownloads::find(WebKitDownload* download) {
    for (const auto& record : downloads_)
        if (record->download.get() == download)
            return record.get();
    return nullptr;
}

void PageDownloads::decideDestination(Download& record, const std::string& suggested) {
    const std::string downloadFolder = folder();
    record.name = safeDownloadName(suggested);
    if (g_mkdir_with_parents(downloadFolder.c_str(), 0700) != 0) {
        // Nowhere to write: the download stops and says so, rather than failing later with
        // a word about a part file the user never asked for.
        record.problem = "ダウンロード先のフォルダ " + downloadFolder + " を作れません (" +
                         g_strerror(errno) + ")";
        started_.emit(record.id, record.name);
        webkit_download_cancel(record.download.get());
        return;
    }
    // Free of a finished file and of another download's part file alike.
    record.finalPath = freeDownloadPath(downloadFolder, record.name, [](const std::string& path) {
        return g_file_test(path.c_str(), G_FILE_TEST_EXISTS) ||
               g_file_test((path + ".part").c_str(), G_FILE_TEST_EXISTS);
    });
    record.name = Glib::path_get_basename(record.finalPath);
    record.partPath = record.finalPath + ".part";
    webkit_download_set_allow_overwrite(record.download.get(), FALSE);
    webkit_download_set_destination(record.download.get(), record.partPath.c_str());
    started_.emit(record.id, record.name);
}

void PageDownloads::end(Download& record, const GError* error) {
    if (error) {
        record.failed = true;
        if (!record.partPath.empty())
            g_unlink(record.partPath.c_str()); // nothing half-written stays behind
        const bool cancelled =
            g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER);
        failed_.emit(record.id, record.name,
                     !record.problem.empty() ? record.problem
                     : cancelled             ? "中止しました"
                                             : error->message);
        return;
    }
    if (record.failed)
        return;
    // The name was free when it was chosen; a file that has appeared there since is kept.
    const std::string target = freeDownloadPath(
        Glib::path_get_dirname(record.finalPath), record.name,
        [](const std::string& path) { return g_file_test(path.c_str(), G_FILE_TEST_EXISTS); });
    if (g_rename(record.partPath.c_str(), target.c_str()) == 0)
        finished_.emit(record.id, record.name, target);
    else
        failed_.emit(record.id, record.name, g_strerror(errno));
}

std::unique_ptr<PageDownloads::Download> PageDownloads::take(WebKitDownload* download) {
    g_signal_handlers_disconnect_by_data(download, this);
    const auto found = std::ranges::find_if(
        downloads_, [download](const auto& record) { return record->download.get() == download; });
    if (found == downloads_.end())
        return nullptr;
    std::unique_ptr<Download> record = std::move(*found);
    downloads_.erase(found);
    return record;
}

} // namespace quillet
