// SPDX-License-Identifier: MIT
#pragma once
// A kept history taken back to an earlier schema version, as an earlier Quillet left it, for
// the tests of moving a file forward with its pages.

#include "SealedVfs.h"

#include <string>

namespace quillet::test {

// Drops what the versions after `version` (3 to 6) added and makes the text index as it was
// then; the pages stay.
void takeBackToSchema(const std::string& file, const SealedVfs& seal, int version);

} // namespace quillet::test
