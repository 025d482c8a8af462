// SPDX-License-Identifier: MIT
#pragma once
// Downloads of a web context: a response the page view cannot show, or one the site sends as
// an attachment, is saved in the user's download folder under a name no file has yet, written
// beside it first (".part") and renamed when complete. Each download has a number of its own,
// by which the signals report it and by which it can be stopped.

#include "GObjectPtr.h"

#include <memory>
#include <sigc++/signal.h>
#include <string>
#include <vector>

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitDownload WebKitDownload;
typedef struct _GError GError;

namespace quillet {

class PageDownloads {
  public:
    using Id = unsigned;

    explicit PageDownloads(WebKitWebContext* context);
    ~PageDownloads(); // running downloads are stopped
    PageDownloads(const PageDownloads&) = delete;
    PageDownloads& operator=(const PageDownloads&) = delete;

    // Stops one download; its part file is removed and it is reported as failed.
    void cancel(Id id);
    std::size_t runningCount() const { return downloads_.size(); }

    // The user's download folder (XDG_DOWNLOAD_DIR, or ~/Downloads).
    static std::string folder();

    // The name chosen; the progress (0 to 1); the saved path; why it failed or "中止しました".
    sigc::signal<void(Id, std::string)>& signal_started() { return started_; }
    sigc::signal<void(Id, std::string, double)>& signal_progress() { return progress_; }
    sigc::signal<void(Id, std::string, std::string)>& signal_finished() { return finished_; }
    sigc::signal<void(Id, std::string, std::string)>& signal_failed() { return failed_; }

  private:
    struct Download;
    struct Signals;
    void start(WebKitDownload* download);
    Download* find(WebKitDownload* download);
    void decideDestination(Download& record, const std::string& suggested);
    void end(Download& record, const GError* error);          // error: null when complete
    std::unique_ptr<Download> take(WebKitDownload* download); // no longer running

    WebKitWebContext* context_; // outlives this
    Id lastId_ = 0;
    std::vector<std::unique_ptr<Download>> downloads_;
    sigc::signal<void(Id, std::string)> started_;
    sigc::signal<void(Id, std::string, double)> progress_;
    sigc::signal<void(Id, std::string, std::string)> finished_;
    sigc::signal<void(Id, std::string, std::string)> failed_;
};

} // namespace quillet
