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
// kMaxTextCharacters of it, and whether the page holds a secret field (in any of its frames,
// or in a frame that could not be asked), as "(sayb)": the text a bytestring of UTF-8, since a
// NUL in the page's text would end a string.
inline constexpr const char* kPageText = "quillet.page-text";
inline constexpr int kMaxTextCharacters = 200'000;

// An expression run in each frame the extension knows of, in its own document, that says what
// that frame holds: { root, secret, unreached, scriptless }. A root is a frame the frame above
// cannot look into (the main frame, a frame of another site or a sandboxed one); a frame that is no
// root answers nothing, its root looks into it. A root says whether it, or a frame of its own site
// within it, holds a field whose page is not kept (a password, a card's number, code or expiry,
// a one-time code, by the field's type or a token of its autocomplete attribute; a text field
// drawn as secret with -webkit-text-security; a numeric field named as a one-time code), in
// the document or its open shadow roots; and how many frames within it it cannot look into:
// each of those must answer as a root of its own, or the page is taken as holding a secret;
// and how many of them run no script at all (a sandbox without allow-scripts), whose fields
// the extension reads from their document instead.
// The fields are found by selectors; only text fields and the elements that host a shadow root
// are looked at one by one.
inline constexpr const char* kSecretFieldScript = R"js((() => {
    const attached = window === window.top || window.parent !== null;
    let root = true;
    if (window !== window.top) {
        try { root = !window.parent.document; } catch (e) { root = true; }
    }
    if (!attached || !root)
        return { root: false };
    const secret = "input[type=password i], [autocomplete~='cc-number' i], " +
        "[autocomplete~='cc-csc' i], [autocomplete~='cc-exp' i], " +
        "[autocomplete~='cc-exp-month' i], [autocomplete~='cc-exp-year' i], " +
        "[autocomplete~='one-time-code' i], [autocomplete~='current-password' i], " +
        "[autocomplete~='new-password' i]";
    const oneTimeName = /(^|[^a-z])(otp|totp|one.?time|2fa|mfa|passcode|pin.?code)([^a-z]|$)/i;
    const plainTypes = new Set(['text', 'tel', 'number', 'search', 'email', 'url', 'textarea']);
    // Looked at only once no field was secret by its type or autocomplete: it takes longer.
    const drawnOrNamedSecret = (field) => {
        if (!plainTypes.has(field.type))
            return false;
        if (field.inputMode === 'numeric' && oneTimeName.test(field.name + ' ' + field.id))
            return true;
        const drawn = getComputedStyle(field).webkitTextSecurity;
        return !!drawn && drawn !== 'none';
    };
    let unreached = 0, scriptless = 0;
    const within = (scope) => {
        const fields = [], frames = [];
        for (const element of scope.querySelectorAll('input, select, textarea, iframe, frame')) {
            if (element.localName === 'iframe' || element.localName === 'frame')
                frames.push(element);
            else if (element.matches(secret))
                return true;
            else
                fields.push(element);
        }
        for (const frame of frames) {
            let inner = null;
            try { inner = frame.contentDocument; } catch (e) {}
            if (inner) {
                if (within(inner))
                    return true;
            } else if (frame.sandbox && frame.hasAttribute('sandbox') &&
                       !frame.sandbox.contains('allow-scripts')) {
                ++scriptless; // no script runs there, not even the extension's
            } else if (frame.contentWindow) {
                ++unreached;
            }
        }
        if (fields.some(drawnOrNamedSecret))
            return true;
        const hosts = scope.querySelectorAll('*');
        for (let n = 0; n < hosts.length; ++n)
            if (hosts[n].shadowRoot && within(hosts[n].shadowRoot))
                return true;
        return false;
    };
    return { root: true, secret: within(document), unreached: unreached, scriptless: scriptless };
})())js";

} // namespace quillet::page_messages
