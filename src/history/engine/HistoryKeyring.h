// SPDX-License-Identifier: MIT
#pragma once
// The kept history's key in the desktop's keyring (the Secret Service, through libsecret): one
// item in the default collection, labelled 「Quillet の履歴の鍵」, made the first time it is
// asked for. Other programs of the user reach it only through the keyring, which may ask.
// Blocks on the session bus: called on the history's worker, never on the window's thread.

#include "SealKey.h"

#include <optional>
#include <string>

namespace quillet {

inline constexpr const char* kHistoryKeyLabel = "Quillet の履歴の鍵";

struct KeyringAnswer {
    std::optional<SealKey> key; // none when no keyring answered
    std::string why;            // then, what the keyring said
    bool made = false;          // the key was made now
};

// The history's key, made and stored when the keyring has none.
KeyringAnswer historyKeyFromKeyring();

} // namespace quillet
