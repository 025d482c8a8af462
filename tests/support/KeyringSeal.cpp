// SPDX-License-Identifier: MIT
#include "TestSeal.h"

#include "HistoryKeyring.h"

#include <stdexcept>

namespace quillet::test {

const SealedVfs* keyringSeal() {
    static const SealedVfs seal = [] {
        KeyringAnswer answer = historyKeyFromKeyring();
        if (!answer.key)
            throw std::runtime_error("no keyring in the test's session: " + answer.why);
        return SealedVfs(std::move(*answer.key));
    }();
    return &seal;
}

} // namespace quillet::test
