// SPDX-License-Identifier: MIT
#include "SavedPictures.h"

#include "SavedArchive.h"

#include <algorithm>
#include <sodium.h>

namespace quillet {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> fromQuotedPrintable(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '=') {
            bytes += text[at];
            continue;
        }
        if (text.substr(at + 1, 2) == "\r\n") { // a soft line break
            at += 2;
            continue;
        }
        if (at + 2 >= text.size() || hexDigit(text[at + 1]) < 0 || hexDigit(text[at + 2]) < 0)
            return std::nullopt;
        bytes += static_cast<char>(hexDigit(text[at + 1]) * 16 + hexDigit(text[at + 2]));
        at += 2;
    }
    return bytes;
}

std::optional<std::string> fromBase64(std::string_view text) {
    std::string bytes(text.size() / 4 * 3 + 3, '\0');
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), text.data(),
                          text.size(), " \r\n\t", &length, &end,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        end != text.data() + text.size())
        return std::nullopt;
    bytes.resize(length);
    return bytes;
}

// A base64 body in lines of 76 characters, as a message's should be.
std::string toBase64(std::string_view bytes) {
    std::string encoded(sodium_base64_encoded_len(bytes.size(), sodium_base64_VARIANT_ORIGINAL),
                        '\0');
    sodium_bin2base64(encoded.data(), encoded.size(),
                      reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    encoded.pop_back(); // its closing '\0'
    std::string lines;
    for (std::size_t at = 0; at < encoded.size(); at += 76)
        lines += encoded.substr(at, 76) + (at + 76 < encoded.size() ? "\r\n" : "");
    return lines;
}

} // namespace

std::optional<std::string> decodedBody(std::string_view part) {
    const std::string_view header = partHeader(part);
    const std::string_view body =
        header.size() + 2 <= part.size() ? part.substr(header.size() + 2) : std::string_view();
    std::string encoding = headerValue(header, "Content-Transfer-Encoding").value_or("");
    std::transform(encoding.begin(), encoding.end(), encoding.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (encoding == "base64")
        return fromBase64(body);
    if (encoding == "quoted-printable")
        return fromQuotedPrintable(body);
    return std::string(body);
}

std::string withVectorPicturesDrawn(std::string_view archive, const DrawVectorPicture& draw) {
    std::optional<ArchiveParts> split = splitArchive(archive);
    if (!split)
        return std::string(archive);
    bool changed = false;
    std::vector<std::string> parts;
    parts.reserve(split->parts.size());
    // The first part is the page itself, even when it is an SVG document.
    for (std::size_t i = 0; i < split->parts.size(); ++i) {
        std::string& part = split->parts[i];
        if (i == 0 || partType(part) != "image/svg+xml") {
            parts.push_back(std::move(part));
            continue;
        }
        changed = true;
        const std::optional<std::string> svg = decodedBody(part);
        const std::optional<std::string> png = svg ? draw(*svg) : std::nullopt;
        const std::optional<std::string> address =
            headerValue(partHeader(part), "Content-Location");
        if (!png || !address)
            continue;
        parts.push_back("Content-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n"
                        "Content-Location: " +
                        *address + "\r\n\r\n" + toBase64(*png));
    }
    if (!changed)
        return std::string(archive);
    split->parts = std::move(parts);
    return joinArchive(*split);
}

} // namespace quillet
