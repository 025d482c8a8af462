// SPDX-License-Identifier: MIT
#include "SavedArchive.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace quillet {
namespace {

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The boundary parameter of a multipart Content-Type, quoted or not.
std::optional<std::string> boundaryOf(std::string_view contentType) {
    for (std::size_t at = 0; (at = contentType.find('=', at)) != std::string_view::npos; ++at) {
        std::size_t nameStart = contentType.find_last_of(";", at);
        nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
        if (!sameLetters(trimmed(contentType.substr(nameStart, at - nameStart)), "boundary"))
            continue;
        std::string_view value = contentType.substr(at + 1);
        if (!value.empty() && value.front() == '"') {
            const std::size_t end = value.find('"', 1);
            if (end == std::string_view::npos)
                return std::nullopt;
            value = value.substr(1, end - 1);
        } else {
            value = trimmed(value.substr(0, value.find(';')));
        }
        // A boundary is 1 to 70 characters, none a line break (RFC 2046).
        if (value.empty() || value.size() > 70 || value.find_first_of("\r\n") != value.npos)
            return std::nullopt;
        return std::string(value);
    }
    return std::nullopt;
}

struct MessageHeader {
    std::size_t end = 0;  // where the blank line after it starts
    std::string boundary; // of its multipart Content-Type
};

// The header of a multipart message; none when the text is not one.
std::optional<MessageHeader> messageHeader(std::string_view archive) {
    const std::size_t end = archive.find("\r\n\r\n");
    if (end == std::string_view::npos)
        return std::nullopt;
    const std::optional<std::string> contentType =
        headerValue(archive.substr(0, end + 2), "Content-Type");
    if (!contentType || !sameLetters(contentType->substr(0, 10), "multipart/"))
        return std::nullopt;
    std::optional<std::string> boundary = boundaryOf(*contentType);
    if (!boundary)
        return std::nullopt;
    return MessageHeader{end, std::move(*boundary)};
}

// An address is one line of printable characters; anything else names no page.
bool oneLine(const std::string& address) {
    return std::none_of(address.begin(), address.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

} // namespace

std::string_view partHeader(std::string_view part) {
    const std::size_t end = part.find("\r\n\r\n");
    return part.substr(0, end == std::string_view::npos ? part.size() : end + 2);
}

std::string partType(std::string_view part) {
    std::string type(trimmed(headerValue(partHeader(part), "Content-Type").value_or("")));
    type = std::string(trimmed(type.substr(0, type.find(';'))));
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return type;
}

std::optional<std::string> headerValue(std::string_view header, std::string_view name) {
    std::size_t line = 0;
    while (line < header.size()) {
        std::size_t end = header.find("\r\n", line);
        if (end == std::string_view::npos)
            end = header.size();
        const std::string_view text = header.substr(line, end - line);
        const std::size_t colon = text.find(':');
        if (colon != std::string_view::npos && sameLetters(trimmed(text.substr(0, colon)), name)) {
            std::string value(trimmed(text.substr(colon + 1)));
            // Folded: the lines after it that begin with white space go on with its value.
            while (end + 2 < header.size() && (header[end + 2] == ' ' || header[end + 2] == '\t')) {
                const std::size_t next = end + 2;
                end = header.find("\r\n", next);
                if (end == std::string_view::npos)
                    end = header.size();
                value += ' ';
                value += trimmed(header.substr(next, end - next));
            }
            return value;
        }
        line = end + 2;
    }
    return std::nullopt;
}

std::optional<ArchiveParts> splitArchive(std::string_view archive) {
    const std::optional<MessageHeader> header = messageHeader(archive);
    if (!header)
        return std::nullopt;
    ArchiveParts split;
    split.boundary = header->boundary;
    const std::string delimiter = "\r\n--" + split.boundary;
    // The first delimiter stands at the start of a line after the header.
    std::size_t at = archive.find(delimiter, header->end);
    if (at == std::string_view::npos)
        return std::nullopt;
    split.head = std::string(archive.substr(0, at + 2));
    at += delimiter.size();
    for (;;) {
        if (archive.substr(at, 2) == "--") { // the closing delimiter
            split.tail = std::string(archive.substr(at + 2));
            break;
        }
        if (archive.substr(at, 2) != "\r\n")
            return std::nullopt;
        const std::size_t start = at + 2;
        const std::size_t next = archive.find(delimiter, start);
        if (next == std::string_view::npos)
            return std::nullopt;
        split.parts.emplace_back(archive.substr(start, next - start));
        at = next + delimiter.size();
    }
    if (split.parts.empty() || joinArchive(split) != archive)
        return std::nullopt;
    return split;
}

std::optional<std::string> archiveAddress(std::string_view archive) {
    // Read from the first part's header alone: the message may be large.
    const std::optional<MessageHeader> header = messageHeader(archive);
    if (!header)
        return std::nullopt;
    const std::string delimiter = "\r\n--" + header->boundary + "\r\n";
    const std::size_t first = archive.find(delimiter, header->end);
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::size_t start = first + delimiter.size();
    const std::size_t end = archive.find("\r\n\r\n", start);
    if (end == std::string_view::npos)
        return std::nullopt;
    std::optional<std::string> address =
        headerValue(archive.substr(start, end + 2 - start), "Content-Location");
    if (address && !oneLine(*address))
        return std::nullopt;
    return address;
}

std::set<std::string> archiveFrameAddresses(std::string_view archive) {
    std::set<std::string> frames;
    const std::optional<ArchiveParts> split = splitArchive(archive);
    if (!split)
        return frames;
    for (std::size_t i = 1; i < split->parts.size(); ++i) {
        const std::string type = partType(split->parts[i]);
        if (type != "text/html" && type != "application/xhtml+xml")
            continue;
        if (auto address = headerValue(partHeader(split->parts[i]), "Content-Location");
            address && oneLine(*address))
            frames.insert(std::move(*address));
    }
    return frames;
}

std::string joinArchive(const ArchiveParts& archive) {
    std::size_t size = archive.head.size() + archive.tail.size() + archive.boundary.size() + 4;
    for (const std::string& part : archive.parts)
        size += part.size() + archive.boundary.size() + 6;
    std::string joined;
    joined.reserve(size);
    joined += archive.head;
    for (const std::string& part : archive.parts) {
        joined += "--";
        joined += archive.boundary;
        joined += "\r\n";
        joined += part;
        joined += "\r\n";
    }
    joined += "--";
    joined += archive.boundary;
    joined += "--";
    joined += archive.tail;
    return joined;
}

} // namespace quillet
