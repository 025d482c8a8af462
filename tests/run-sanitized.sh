#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The unit and UI tests built with AddressSanitizer and UndefinedBehaviorSanitizer; each window
# test starts a session of its own, as in the main run. Leak reports are off: GTK, GLib and
# fontconfig keep process-lifetime caches that LeakSanitizer would report.
set -euo pipefail
cd "$(dirname "$0")/.."
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DQUILLET_BENCHMARKS=OFF >/dev/null
cmake --build build-sanitize --target unit_tests keeper_tests ui_tests
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize -R '^(unit|ui)\.' --output-on-failure --no-tests=error -j "$(nproc)"
