// SPDX-License-Identifier: MIT
#include "ErrorPages.h"

namespace quillet {

std::string htmlEscape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string errorPageHtml(PageProblem problem, std::string_view address, std::string_view detail) {
    const char* title = "ページを表示できませんでした";
    const char* explanation = "サーバーに接続できなかったか、アドレスが見つかりませんでした。"
                              "アドレスを確かめて、もう一度お試しください。";
    if (problem == PageProblem::UntrustedCertificate) {
        title = "安全な接続を確立できませんでした";
        explanation = "このサイトの証明書を信頼できないため、ページを表示しませんでした。"
                      "第三者が通信を盗み見たり書き換えたりしているおそれがあります。";
    } else if (problem == PageProblem::ProcessEnded) {
        title = "ページの処理が停止しました";
        explanation = "ページを表示していたプロセスが終了しました。履歴とチェックはそのまま"
                      "残っています。更新するか、別のページに移動してください。";
    }
    std::string html = "<!DOCTYPE html><html lang=\"ja\"><head><meta charset=\"utf-8\"><title>";
    html += title;
    html += "</title><style>body{font-family:\"Noto Sans CJK JP\",sans-serif;background:#fbf4f2;"
            "color:#3a2a26;margin:2.5em}h1{font-weight:normal;color:#a33b28}"
            "code{word-break:break-all}</style></head><body><h1>";
    html += title;
    html += "</h1><p>";
    html += explanation;
    html += "</p><p><code>";
    html += htmlEscape(address);
    html += "</code></p>";
    if (!detail.empty())
        html += "<p>詳細: " + htmlEscape(detail) + "</p>";
    html += "</body></html>";
    return html;
}

} // namespace quillet
