// SPDX-License-Identifier: MIT
#include "HistoryKeyring.h"

#include <libsecret/secret.h>

#include <memory>

namespace quillet {
namespace {

const SecretSchema* historyKeySchema() {
    static const SecretSchema schema = [] {
        SecretSchema made{};
        made.name = "org.quillet.Quillet.HistoryKey";
        made.flags = SECRET_SCHEMA_NONE;
        made.attributes[0] = {"purpose", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return made;
    }();
    return &schema;
}

constexpr const char* kPurpose = "history";

struct FreeError {
    void operator()(GError* error) const { g_error_free(error); }
};
struct FreeSecret {
    void operator()(gchar* secret) const { secret_password_free(secret); } // wiped
};
using ErrorPtr = std::unique_ptr<GError, FreeError>;
using SecretText = std::unique_ptr<gchar, FreeSecret>;

} // namespace

KeyringAnswer historyKeyFromKeyring() {
    KeyringAnswer answer;
    GError* raw = nullptr;
    const SecretText found(secret_password_lookup_nonpageable_sync(
        historyKeySchema(), nullptr, &raw, "purpose", kPurpose, nullptr));
    ErrorPtr error(raw);
    if (error) {
        answer.why = error->message;
        return answer;
    }
    if (found) {
        if (auto key = SealKey::fromText(found.get()))
            answer.key.emplace(std::move(*key));
        else
            answer.why = "the keyring's item is not a key of Quillet's";
        return answer;
    }
    SealKey made = SealKey::random();
    const SealKey::Text text = made.text();
    raw = nullptr;
    const bool stored =
        secret_password_store_sync(historyKeySchema(), SECRET_COLLECTION_DEFAULT, kHistoryKeyLabel,
                                   text.c_str(), nullptr, &raw, "purpose", kPurpose, nullptr);
    error.reset(raw);
    if (!stored) {
        answer.why = error ? error->message : "the keyring did not keep the key";
        return answer;
    }
    answer.key.emplace(std::move(made));
    answer.made = true;
    return answer;
}

} // namespace quillet
