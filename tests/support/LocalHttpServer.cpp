// SPDX-License-Identifier: MIT
#include "LocalHttpServer.h"

#include "TestSupport.h"

#include <libsoup/soup.h>
#include <stdexcept>

namespace quillet::test {

namespace {

// A throw-away self-signed certificate for 127.0.0.1.
GTlsCertificate* selfSignedCertificate() {
    TempFolder folder;
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
        "-addext subjectAltName=IP:127.0.0.1 -keyout " +
        folder.file("key.pem") + " -out " + folder.file("cert.pem") + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("openssl could not make a certificate");
    GError* error = nullptr;
    GTlsCertificate* certificate = g_tls_certificate_new_from_files(
        folder.file("cert.pem").c_str(), folder.file("key.pem").c_str(), &error);
    if (!certificate) {
        std::string message = error->message;
        g_error_free(error);
        throw std::runtime_error("cannot load the certificate: " + message);
    }
    return certificate;
}

} // namespace

LocalHttpServer::LocalHttpServer(bool https)
    : server_(soup_server_new(nullptr, nullptr)), https_(https) {
    soup_server_add_handler(server_, nullptr, &LocalHttpServer::handle, this, nullptr);
    if (https) {
        certificate_ = selfSignedCertificate();
        soup_server_set_tls_certificate(server_, certificate_);
    }
    GError* error = nullptr;
    GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    GSocketAddress* address = g_inet_socket_address_new(loopback, 0);
    const bool listening = soup_server_listen(
        server_, address,
        https ? SOUP_SERVER_LISTEN_HTTPS : static_cast<SoupServerListenOptions>(0), &error);
    g_object_unref(address);
    g_object_unref(loopback);
    if (!listening) {
        std::string message = error->message;
        g_error_free(error);
        throw std::runtime_error("cannot listen on 127.0.0.1: " + message);
    }
    GSList* uris = soup_server_get_uris(server_);
    port_ = g_uri_get_port(static_cast<GUri*>(uris->data));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
}

LocalHttpServer::~LocalHttpServer() {
    for (const auto& [path, message] : held_)
        g_object_unref(message);
    soup_server_disconnect(server_);
    g_object_unref(server_);
    if (certificate_)
        g_object_unref(certificate_);
}

std::string LocalHttpServer::url(const std::string& path, const std::string& host) const {
    return (https_ ? "https://" : "http://") + host + ":" + std::to_string(port_) + path;
}

int LocalHttpServer::requestCount(const std::string& path) const {
    const auto found = requests_.find(path);
    return found == requests_.end() ? 0 : found->second;
}

void LocalHttpServer::release(const std::string& path) {
    const Page& page = pages_.at(path);
    const auto [first, last] = held_.equal_range(path);
    for (auto held = first; held != last; ++held) {
        SoupServerMessage* message = held->second;
        SoupMessageBody* response = soup_server_message_get_response_body(message);
        soup_message_body_append(response, SOUP_MEMORY_COPY, page.body.data() + page.sentBeforeHold,
                                 page.body.size() - page.sentBeforeHold);
        soup_message_body_complete(response);
        soup_server_message_unpause(message);
        g_object_unref(message);
    }
    held_.erase(path);
}

Page LocalHttpServer::htmlPage(std::string body) {
    Page page;
    page.body = std::move(body);
    return page;
}

Page LocalHttpServer::attachment(const std::string& name, std::string body,
                                 std::size_t sentBeforeHold) {
    Page page = htmlPage(std::move(body));
    page.contentType = "application/octet-stream";
    page.disposition = "attachment; filename=\"" + name + "\"";
    page.sentBeforeHold = sentBeforeHold;
    return page;
}

Page LocalHttpServer::redirectTo(std::string location) {
    Page page;
    page.status = 302;
    page.location = std::move(location);
    return page;
}

Page LocalHttpServer::solidPage(const std::string& title, const std::string& colour) {
    return htmlPage("<!DOCTYPE html><html><head><meta charset='utf-8'><title>" + title +
                    "</title><style>html,body{margin:0;height:100%;background:" + colour +
                    "}</style></head><body></body></html>");
}

void LocalHttpServer::handle(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*,
                             void* data) {
    auto* self = static_cast<LocalHttpServer*>(data);
    ++self->requests_[path];
    const auto found = self->pages_.find(path);
    if (found == self->pages_.end()) {
        soup_server_message_set_status(message, 404, nullptr);
        return;
    }
    const Page& page = found->second;
    if (!page.basicCredentials.empty()) {
        gchar* encoded =
            g_base64_encode(reinterpret_cast<const guchar*>(page.basicCredentials.data()),
                            page.basicCredentials.size());
        const std::string expected = std::string("Basic ") + encoded;
        g_free(encoded);
        const char* given = soup_message_headers_get_one(
            soup_server_message_get_request_headers(message), "Authorization");
        if (!given || expected != given) {
            soup_message_headers_replace(soup_server_message_get_response_headers(message),
                                         "WWW-Authenticate", "Basic realm=\"quillet-test\"");
            soup_server_message_set_status(message, 401, nullptr);
            return;
        }
    }
    soup_server_message_set_status(message, static_cast<guint>(page.status), nullptr);
    if (!page.disposition.empty())
        soup_message_headers_append(soup_server_message_get_response_headers(message),
                                    "Content-Disposition", page.disposition.c_str());
    if (!page.location.empty())
        soup_message_headers_replace(soup_server_message_get_response_headers(message), "Location",
                                     page.location.c_str());
    const std::string& cacheControl = page.cacheControl.value_or(self->cacheControl_);
    if (!cacheControl.empty())
        soup_message_headers_replace(soup_server_message_get_response_headers(message),
                                     "Cache-Control", cacheControl.c_str());
    if (page.sentBeforeHold > 0 && page.sentBeforeHold < page.body.size()) {
        SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
        soup_message_headers_set_encoding(headers, SOUP_ENCODING_CHUNKED);
        soup_message_headers_set_content_type(headers, page.contentType.c_str(), nullptr);
        soup_message_body_append(soup_server_message_get_response_body(message), SOUP_MEMORY_COPY,
                                 page.body.data(), page.sentBeforeHold);
        self->held_.emplace(path, static_cast<SoupServerMessage*>(g_object_ref(message)));
        return;
    }
    soup_server_message_set_response(message, page.contentType.c_str(), SOUP_MEMORY_COPY,
                                     page.body.data(), page.body.size());
    if (page.delay.count() > 0) {
        soup_server_message_pause(message);
        g_object_ref(message);
        g_timeout_add(
            static_cast<guint>(page.delay.count()),
            [](gpointer held) -> gboolean {
                auto* paused = static_cast<SoupServerMessage*>(held);
                soup_server_message_unpause(paused);
                g_object_unref(paused);
                return G_SOURCE_REMOVE;
            },
            message);
    }
}

} // namespace quillet::test
