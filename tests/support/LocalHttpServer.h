// SPDX-License-Identifier: MIT
#pragma once
// A small HTTP server on 127.0.0.1 (a free port) that runs in the test's own main loop.

#include <chrono>
#include <map>
#include <optional>
#include <string>

#include <libsoup/soup.h>

namespace quillet::test {

struct Page {
    std::string body;
    std::string contentType = "text/html; charset=utf-8";
    int status = 200;
    std::string location;               // for redirects
    std::string disposition;            // Content-Disposition, such as "attachment"
    std::chrono::milliseconds delay{0}; // the response is held back this long
    // When not 0, only the body's first `sentBeforeHold` bytes go out (chunked) until
    // release(path): a download that stays running for as long as the test needs.
    std::size_t sentBeforeHold = 0;
    // Cache-Control; none: the server's own (see LocalHttpServer::setCacheControl).
    std::optional<std::string> cacheControl;
    // When set ("user:password"), the page asks for HTTP Basic authentication (401) until a
    // request brings these credentials.
    std::string basicCredentials;
};

class LocalHttpServer {
  public:
    // With `https`, the server speaks TLS with a self-signed certificate made for the run.
    explicit LocalHttpServer(bool https = false);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    void add(const std::string& path, Page page) { pages_[path] = std::move(page); }
    // The Cache-Control of pages without their own: "no-store" unless set, so that no page
    // comes from a cache of an earlier test ("": none sent).
    void setCacheControl(std::string value) { cacheControl_ = std::move(value); }
    // http://127.0.0.1:port/path; with `host` the same server under another name.
    std::string url(const std::string& path, const std::string& host = "127.0.0.1") const;
    int port() const { return port_; }
    // The self-signed certificate an HTTPS server speaks with (null for HTTP).
    GTlsCertificate* certificate() const { return certificate_; }
    int requestCount(const std::string& path) const;
    // Sends the rest of the held responses to `path`.
    void release(const std::string& path);

    static Page htmlPage(std::string body);
    static Page redirectTo(std::string location);
    // A file sent to be saved, not shown, as `name`; see Page::sentBeforeHold.
    static Page attachment(const std::string& name, std::string body,
                           std::size_t sentBeforeHold = 0);
    // A page titled `title` that shows nothing but `colour`.
    static Page solidPage(const std::string& title, const std::string& colour);

  private:
    static void handle(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*,
                       void* self);
    SoupServer* server_ = nullptr;
    bool https_ = false;
    GTlsCertificate* certificate_ = nullptr; // a reference
    int port_ = 0;
    std::map<std::string, Page> pages_;
    std::string cacheControl_ = "no-store";
    std::map<std::string, int> requests_;
    std::multimap<std::string, SoupServerMessage*> held_; // a reference each
};

} // namespace quillet::test
