// SPDX-License-Identifier: MIT
#pragma once
// Where the windows keep their settings in the settings store, and what a setting that is
// missing reads as.

namespace quillet {

inline constexpr const char* kSettingsApp = "Quillet";
inline constexpr const char* kSettingsSection = "sets";

struct StoredSetting {
    const char* key;
    const char* fallback; // number text, as stored
};

// The main window's outer size, in twips.
inline constexpr StoredSetting kWindowWidth{"width_main", "8000"};
inline constexpr StoredSetting kWindowHeight{"height_main", "8000"};
// The thumbnail size, in pixels (the thumbnail-size dialog stores it too).
inline constexpr StoredSetting kThumbnailWidth{"width_thumb", "120"};
inline constexpr StoredSetting kThumbnailHeight{"height_thumb", "120"};
// The history pane's width, in sixths of the window's width.
inline constexpr StoredSetting kHistoryWidth{"width_history", "2"};

// Whether the history is kept for the next start ("1") or lives only as long as the window.
inline constexpr const char* kHistorySection = "history";
inline constexpr StoredSetting kKeepHistory{"keep", "0"};
// How long the kept history keeps a page after its last visit (see Retention.h).
inline constexpr StoredSetting kHistoryRetention{"retention", "forever"};
// How much space the kept pages' saved copies may take (see Retention.h).
inline constexpr StoredSetting kSavedCopiesSpace{"saved_space", "2gb"};
// What is kept where no keyring can hold the history's key: "" (ask once), "none" (nothing,
// 残さない) or "unsealed" (the file unencrypted, 暗号化せずに残す).
inline constexpr StoredSetting kHistoryWithoutKeyring{"without_keyring", ""};

} // namespace quillet
