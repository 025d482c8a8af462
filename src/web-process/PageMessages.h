// SPDX-License-Identifier: MIT
#pragma once
// What the window asks of Quillet's extension in each web process (PageExtension.cpp), as
// messages to the page. The answers come back as plain GLib values, so the window's process
// never holds a JavaScript value (nor starts an engine of its own to hold one).

namespace quillet::page_messages {

// Answered, with no parameters, once the page has run two animation frames: the first of them
// was drawn and handed to the window before the answer.
inline constexpr const char* kFirstFrame = "quillet.first-frame";

// Answered with the address of the page read, the text it shows (innerText), at most
// kMaxTextCharacters of it, and whether the page holds a secret field, as "(sayb)": the text
// a bytestring of UTF-8, since a NUL in the page's text would end a string.
inline constexpr const char* kPageText = "quillet.page-text";
inline constexpr int kMaxTextCharacters = 200'000;

// An expression that says whether the page, or a frame of it from the same site, holds a field
// whose page is not kept: a password, a card's number, code or expiry, a one-time code (by the
// field's type, or a token of its autocomplete attribute). Only the form fields are looked at
// closely: a page of many elements and few fields is looked through quickly.
inline constexpr const char* kSecretFieldScript = R"js((() => {
    const secret = "input[type=password i], [autocomplete~='cc-number' i], " +
        "[autocomplete~='cc-csc' i], [autocomplete~='cc-exp' i], " +
        "[autocomplete~='cc-exp-month' i], [autocomplete~='cc-exp-year' i], " +
        "[autocomplete~='one-time-code' i], [autocomplete~='current-password' i], " +
        "[autocomplete~='new-password' i]";
    const within = (doc) => {
        for (const element of doc.querySelectorAll('input, select, textarea, iframe, frame')) {
            if (element.localName !== 'iframe' && element.localName !== 'frame') {
                if (element.matches(secret))
                    return true;
                continue;
            }
            try {
                if (element.contentDocument && within(element.contentDocument))
                    return true;
            } catch (e) {}
        }
        return false;
    };
    return within(document);
})())js";

} // namespace quillet::page_messages
