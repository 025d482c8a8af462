#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzz targets with clang (libFuzzer + AddressSanitizer + UBSan) and runs each for
# the given number of seconds (default 20). A crash fails the run and leaves its input in
# build-fuzz/crashes/; turn it into a unit test.
#   tests/fuzz/run-fuzzers.sh          # short run, as CI does
#   tests/fuzz/run-fuzzers.sh 3600     # an hour each
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-20}"
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" \
  -DQUILLET_TESTS=OFF -DQUILLET_FUZZ=ON >/dev/null
cmake --build build-fuzz --target fuzz_number_text fuzz_replace_all fuzz_settings_file fuzz_search_text \
  fuzz_saved_archive
mkdir -p build-fuzz/crashes
for target in number_text replace_all settings_file search_text saved_archive; do
  corpus="build-fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "== fuzz_$target for ${seconds}s"
  status=0
  ASAN_OPTIONS=detect_leaks=1 "build-fuzz/tests/fuzz/fuzz_$target" "$corpus" \
    "tests/fuzz/corpus/$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/crashes/$target-" >"build-fuzz/fuzz_$target.log" 2>&1 || status=$?
  grep -E "^(stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)" "build-fuzz/fuzz_$target.log" || true
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$target failed (status $status); see build-fuzz/fuzz_$target.log and build-fuzz/crashes/"
    tail -30 "build-fuzz/fuzz_$target.log"
    exit 1
  fi
done
echo "fuzzing: no crashes"
