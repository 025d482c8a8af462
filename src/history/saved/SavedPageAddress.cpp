// SPDX-License-Identifier: MIT
#include "SavedPageAddress.h"

#include "AddressRules.h"
#include "TimelineDays.h"

#include <charconv>
#include <glib.h>
#include <memory>

namespace quillet {

namespace {

constexpr std::string_view kChangesPath = "changes";

std::string addressOf(std::string_view path, std::string_view pageAddress, StoredTime time) {
    const std::string plain(pageAddress);
    const std::unique_ptr<char, decltype(&g_free)> escaped(
        g_uri_escape_string(plain.c_str(), nullptr, false), g_free);
    return std::string(kSavedCopyAddress) + std::string(path) + "?a=" + escaped.get() +
           "&t=" + std::to_string(time);
}

} // namespace

std::string savedPageAddress(std::string_view pageAddress, StoredTime time) {
    return addressOf("", pageAddress, time);
}

std::string savedChangesAddress(std::string_view pageAddress, StoredTime time) {
    return addressOf(kChangesPath, pageAddress, time);
}

std::optional<SavedPageAsked> readSavedPageAddress(std::string_view address) {
    if (!isSavedCopyAddress(address))
        return std::nullopt;
    const std::string text(address);
    GUri* uri = g_uri_parse(text.c_str(), G_URI_FLAGS_ENCODED_QUERY, nullptr);
    if (!uri)
        return std::nullopt;
    const std::unique_ptr<GUri, decltype(&g_uri_unref)> owned(uri, g_uri_unref);
    const std::string_view path = g_uri_get_path(uri);
    if (path != "/" && path != "/" + std::string(kChangesPath))
        return std::nullopt;
    const char* query = g_uri_get_query(uri);
    if (!query)
        return std::nullopt;
    const std::unique_ptr<GHashTable, decltype(&g_hash_table_unref)> params(
        g_uri_parse_params(query, -1, "&", G_URI_PARAMS_WWW_FORM, nullptr), g_hash_table_unref);
    if (!params)
        return std::nullopt;
    const auto* page = static_cast<const char*>(g_hash_table_lookup(params.get(), "a"));
    const auto* time = static_cast<const char*>(g_hash_table_lookup(params.get(), "t"));
    if (!page || !*page || !time)
        return std::nullopt;
    SavedPageAsked asked{page, 0, path != "/"};
    const std::string_view digits(time);
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), asked.time);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return asked;
}

std::string savedPageNotice(StoredTime saved) {
    return dateInWords(saved) + " " + timeOfDay(saved) + " に保存したページです";
}

std::string changedSinceNotice(StoredTime previous, StoredTime now) {
    std::string date = dateInWords(previous);
    if (const std::size_t year = date.find("年"); year != std::string::npos) {
        const std::size_t yearEnd = year + std::string_view("年").size();
        if (dateInWords(now).starts_with(date.substr(0, yearEnd)))
            date.erase(0, yearEnd);
    }
    return "前回 (" + date + ") から変わりました";
}

} // namespace quillet
