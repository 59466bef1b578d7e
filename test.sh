#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal build,
# once under AddressSanitizer + UndefinedBehaviorSanitizer; then each fuzz target
# runs for a few seconds (scripts/fuzz.sh runs them longer).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
jobs=$(nproc)

echo "== build and test =="
cmake -S . -B build -G Ninja -DVORLAN_TESTS=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== build and test under ASan + UBSan =="
cmake -S . -B build-asan -G Ninja -DVORLAN_TESTS=ON -DVORLAN_SANITIZE=ON \
      -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== short fuzzing runs (clang, libFuzzer, ASan + UBSan) =="
VORLAN_FUZZ_BUILD=build-fuzz scripts/fuzz.sh 10
