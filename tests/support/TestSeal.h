// SPDX-License-Identifier: MIT
#pragma once
// The seal the tests open kept histories with, so that every kept-history test runs sealed.

#include "SealedVfs.h"

#include <string>

namespace quillet::test {

// A key of this test process's own (given to the processes it starts, through the
// environment, so that they open the same file). For tests of the store without a desktop.
const SealedVfs* testSeal();

// The key Quillet keeps in the session's keyring (made now if it has none), for tests that
// read or write the file Quillet opens. Needs the test session's Secret Service.
const SealedVfs* keyringSeal();

// The file's pages and its log's, opened with the seal's key, one after another: what the
// file holds to whoever has the key (a removed word must be gone from this too). Pages that do
// not open are left out.
std::string openedBytes(const std::string& file, const SealedVfs& seal);

} // namespace quillet::test
