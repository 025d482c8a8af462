// SPDX-License-Identifier: MIT
#include "TimelinePage.h"

#include "AddressRules.h"
#include "ErrorPages.h"
#include "LookSignature.h"
#include "SavedPageAddress.h"
#include "TimelineDays.h"

#include <algorithm>
#include <glib.h>
#include <memory>

namespace quillet {
namespace {

std::string escapedForQuery(std::string_view text) {
    const std::string plain(text);
    const std::unique_ptr<char, decltype(&g_free)> escaped(
        g_uri_escape_string(plain.c_str(), nullptr, false), g_free);
    return escaped.get();
}

std::optional<StoredTime> number(const char* text) {
    if (!text || !*text)
        return std::nullopt;
    char* end = nullptr;
    const long long value = g_ascii_strtoll(text, &end, 10);
    if (*end != '\0')
        return std::nullopt;
    return value;
}

// The page's look, and its script: the days further back are fetched as the end of the page
// comes near; the chips and the date field show the timeline anew. (The export button is wired
// by a script of the window's own, in a world of its own: platform/TimelineChannel.)
constexpr const char* kHead = R"html(<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8"><title>履歴をたどる</title>
<style>
body { font-family: "Noto Sans CJK JP", sans-serif; margin: 0; background: #F4F6F3; color: #222; }
header { background: #FFF; border-bottom: 1px solid #CCC; padding: 6px 16px; font-size: 13px; line-height: 2; }
header h1 { font-size: 17px; margin: 0 12px 0 0; display: inline; }
header form { display: inline; }
#span { margin: 0; font-size: 12px; line-height: 1.5; color: #444; }
.chip { display: inline-block; position: relative; border: 1px solid #999; border-radius: 12px; padding: 0 7px 0 4px; margin: 0 1px; line-height: 1.6; }
.chip::before { content: ""; display: inline-block; width: 12px; height: 12px; border-radius: 6px; background: var(--c); border: 1px solid #888; vertical-align: -2px; margin-right: 3px; }
.chip input { position: absolute; opacity: 0; margin: 0; }
.chip:has(input:checked) { background: #DDE8F6; border: 2px solid #1A1A1A; padding: 0 6px 0 3px; }
.chip:has(input:focus-visible) { outline: 2px solid #3A7BD5; }
main { padding: 0 16px 16px; }
h2 { font-size: 16px; margin: 20px 0 8px; }
ul.pages { list-style: none; margin: 0; padding: 0; display: flex; flex-wrap: wrap; gap: 12px; }
ul.pages li { width: 168px; position: relative; }
ul.pages a, ul.pages .page { display: block; color: inherit; text-decoration: none; border-radius: 4px; padding: 4px; }
ul.pages a:hover, ul.pages a:focus { background: #DDE8F6; outline: 2px solid #3A7BD5; }
.thumb { display: block; width: 160px; height: 120px; object-fit: contain; background: #FFF; border: 1px solid #BBB; }
.thumb.empty { background: #D8D8D8; }
.time { font-size: 12px; color: #555; }
.title { font-size: 13px; display: block; overflow: hidden; white-space: nowrap; text-overflow: ellipsis; }
ul.pages input[type=checkbox] { position: absolute; top: 8px; right: 8px; }
ul.pages a.saved { position: absolute; left: 6px; top: 104px; display: inline-block; font-size: 11px; padding: 0 4px; color: #1A5FB4; background: rgba(255, 255, 255, 0.92); border: 1px solid #BBB; text-decoration: underline; }
#more { margin: 24px 0; color: #555; }
</style></head><body>
)html";

constexpr const char* kScript = R"html(<script>
(() => {
  const more = document.getElementById('more');
  const filter = new URLSearchParams(location.search);
  filter.delete('day');
  let loading = false, ended = more.dataset.ended === '1';
  const lastStart = () => {
    const days = document.querySelectorAll('section.day');
    return days.length ? days[days.length - 1].dataset.start : null;
  };
  const nearEnd = () => more.getBoundingClientRect().top < innerHeight + 800;
  // A long day comes in parts: the first with its section, the rest right after it.
  async function loadRest(section) {
    for (let rest; (rest = section.querySelector('li.rest')); ) {
      const asked = new URLSearchParams(filter);
      asked.set('before', section.dataset.end);
      asked.set('from', rest.dataset.from);
      const html = await (await fetch('quillet://history/day?' + asked)).text();
      rest.remove();
      section.querySelector('ul.pages').insertAdjacentHTML('beforeend', html);
    }
  }
  async function loadMore() {
    if (loading || ended || !lastStart()) return;
    loading = true;
    const asked = new URLSearchParams(filter);
    asked.set('before', lastStart());
    try {
      const html = await (await fetch('quillet://history/day?' + asked)).text();
      if (html.trim() === '') {
        ended = true;
        more.textContent = 'これより前の履歴はありません';
      } else {
        more.insertAdjacentHTML('beforebegin', html);
        loadRest(more.previousElementSibling);
      }
    } catch (e) {
      ended = true;
      more.textContent = '履歴を読めませんでした';
    }
    loading = false;
    if (!ended && nearEnd()) loadMore();
  }
  for (const day of document.querySelectorAll('section.day')) loadRest(day);
  new IntersectionObserver(seen => { if (seen.some(s => s.isIntersecting)) loadMore(); },
                           {rootMargin: '800px'}).observe(more);
  const form = document.getElementById('filter');
  for (const field of form.querySelectorAll('input[name=c], input[name=day]'))
    field.addEventListener('change', () => form.submit());
})();
</script>
)html";

// Whether the timeline may link to a kept address: only one the page view opens as a page. Any
// other (javascript:, data:, a crafted one in a file) is shown as text.
bool linkable(const std::string& address) {
    const std::string scheme = schemeOf(address);
    return scheme == "http" || scheme == "https" || scheme == "file" || address == kHomeAddress;
}

std::string pageTile(const StoredEntry& page) {
    const std::string title = page.title.empty() ? page.address : page.title;
    const std::string time = timeOfDay(page.lastVisit);
    const std::string name = htmlEscape(title + " " + time);
    const std::string address = htmlEscape(page.address);
    const bool link = linkable(page.address);
    std::string tile =
        link ? "<li><a href=\"" + address + "\">" : "<li><span class=\"page\" tabindex=\"0\">";
    if (page.contentKept)
        tile +=
            "<img class=\"thumb\" loading=\"lazy\" alt=\"" + name +
            "\" src=\"quillet://history/thumbnail?a=" + htmlEscape(escapedForQuery(page.address)) +
            "\">";
    else // the file holds no picture of it
        tile += "<span class=\"thumb empty\" role=\"img\" aria-label=\"" + name + "\"></span>";
    tile += "<span class=\"time\" aria-hidden=\"true\">" + htmlEscape(time) +
            "</span><span class=\"title\" aria-hidden=\"true\">" + htmlEscape(title) + "</span>" +
            (link ? "</a>" : "</span>");
    // The page as that visit saw it, where its copy was kept (only the web's pages have one):
    // a link over the thumbnail's foot, so the tile is as tall as one without it.
    if (const std::string scheme = schemeOf(page.address);
        page.contentKept && (scheme == "http" || scheme == "https"))
        tile += "<a class=\"saved\" href=\"" +
                htmlEscape(savedPageAddress(page.address, page.lastVisit)) + "\" aria-label=\"" +
                htmlEscape(title) + " の保存したページを開く\">保存したページを開く</a>";
    tile += "<input type=\"checkbox\" aria-label=\"" + htmlEscape(title) +
            " をエクスポートに選ぶ\" data-address=\"" + address + "\" data-title=\"" +
            htmlEscape(page.title) + "\"></li>\n";
    return tile;
}

} // namespace

bool isTimelineAddress(std::string_view address) {
    return address.starts_with("quillet://history/") || address == "quillet://history";
}

TimelineRequest readTimelineRequest(std::string_view address) {
    TimelineRequest request;
    const std::string text(address);
    // The query stays encoded until it is split: a value may hold an encoded & or =.
    GUri* uri = g_uri_parse(text.c_str(), G_URI_FLAGS_ENCODED_QUERY, nullptr);
    if (!uri)
        return request;
    const std::unique_ptr<GUri, decltype(&g_uri_unref)> owned(uri, g_uri_unref);
    if (g_strcmp0(g_uri_get_scheme(uri), "quillet") != 0 ||
        g_strcmp0(g_uri_get_host(uri), "history") != 0)
        return request;
    const std::string path = g_uri_get_path(uri);
    using Kind = TimelineRequest::Kind;
    request.kind = path.empty() || path == "/" ? Kind::Page
                   : path == "/day"            ? Kind::Day
                   : path == "/thumbnail"      ? Kind::Thumbnail
                                               : Kind::Unknown;
    const char* query = g_uri_get_query(uri);
    if (!query)
        return request;
    // Every value read in turn: a name may come more than once (c, a).
    GUriParamsIter params;
    g_uri_params_iter_init(&params, query, -1, "&", G_URI_PARAMS_WWW_FORM);
    char* name = nullptr;
    char* value = nullptr;
    while (g_uri_params_iter_next(&params, &name, &value, nullptr)) {
        const std::string key = name ? name : "";
        const std::string got = value ? value : "";
        g_free(name);
        g_free(value);
        if (key == "q")
            request.filter.typed = got;
        else if (key == "c") {
            if (const auto bits = number(got.c_str()); bits && *bits > 0 && *bits < 256)
                request.filter.chips |= static_cast<ColourChips>(*bits);
        } else if (key == "before")
            request.before = number(got.c_str());
        else if (key == "from") {
            if (const auto from = number(got.c_str()); from && *from > 0)
                request.from = static_cast<std::size_t>(*from);
        } else if (key == "day")
            request.day = parseLocalDate(got);
        else if (key == "a")
            request.addresses.push_back(got);
    }
    return request;
}

std::string timelineAddress(const HistoryFilter& filter) {
    std::string address = kTimelineAddress;
    std::string query;
    if (!filter.typed.empty())
        query += "q=" + escapedForQuery(filter.typed);
    for (int chip = 0; chip < kColourChipCount; ++chip)
        if (filter.chips & chipBit(static_cast<ColourChip>(chip)))
            query += (query.empty() ? "c=" : "&c=") +
                     std::to_string(chipBit(static_cast<ColourChip>(chip)));
    return query.empty() ? address : address + "?" + query;
}

std::string timelineDay(StoredTime dayStart, const std::vector<StoredEntry>& pages) {
    if (pages.empty())
        return {};
    std::string section =
        "<section class=\"day\" data-start=\"" + std::to_string(dayStart) + "\" data-end=\"" +
        std::to_string(startOfNextLocalDay(dayStart)) + "\" aria-labelledby=\"day-" +
        localDateText(dayStart) + "\">\n<h2 id=\"day-" + localDateText(dayStart) + "\">" +
        htmlEscape(dayHeading(dayStart)) + " <span class=\"time\">" + std::to_string(pages.size()) +
        " ページ</span></h2>\n<ul class=\"pages\">\n";
    return section + timelineTiles(pages, 0) + "</ul>\n</section>\n";
}

std::string timelineTiles(const std::vector<StoredEntry>& pages, std::size_t from) {
    std::string tiles;
    const std::size_t to = std::min(pages.size(), from + kTilesAtOnce);
    for (std::size_t i = from; i < to; ++i)
        tiles += pageTile(pages[i]);
    if (to < pages.size()) // the page's script fetches the rest
        tiles += "<li class=\"rest\" hidden data-from=\"" + std::to_string(to) + "\"></li>\n";
    return tiles;
}

std::string timelinePage(const TimelineRequest& request, StoredTime firstDay,
                         const std::vector<StoredEntry>& pages, std::string_view spanText) {
    std::string page = kHead;
    page += "<header><h1>履歴をたどる</h1><form id=\"filter\" method=\"get\" "
            "action=\"quillet://history/\" role=\"search\"><input type=\"search\" name=\"q\" "
            "aria-label=\"履歴を検索\" placeholder=\"履歴を検索\" value=\"" +
            htmlEscape(request.filter.typed) + "\"> ";
    for (int chip = 0; chip < kColourChipCount; ++chip) {
        const auto which = static_cast<ColourChip>(chip);
        page += "<label class=\"chip\" style=\"--c:" + std::string(chipColour(which)) +
                "\"><input type=\"checkbox\" name=\"c\" value=\"" + std::to_string(chipBit(which)) +
                "\"" + ((request.filter.chips & chipBit(which)) ? " checked" : "") + ">" +
                std::string(chipName(which)) + "</label>";
    }
    page += " <label>日付 <input type=\"date\" name=\"day\" value=\"" +
            (pages.empty() ? std::string() : localDateText(firstDay)) +
            "\"></label> <button type=\"submit\">表示</button></form> "
            "<button type=\"button\" id=\"export\">選んだページをエクスポート...</button>";
    if (!spanText.empty())
        page += "<p id=\"span\">" + htmlEscape(spanText) + "</p>";
    page += "</header>\n<main>\n";
    if (pages.empty())
        page += "<p id=\"more\" data-ended=\"1\">" +
                std::string(request.filter.empty() ? "履歴はありません"
                                                   : "一致するページはありません") +
                "</p>\n";
    else
        page += timelineDay(firstDay, pages) + "<p id=\"more\" aria-live=\"polite\"></p>\n";
    return page + "</main>\n" + kScript + "</body></html>\n";
}

} // namespace quillet
