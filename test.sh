#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal build
# (warnings as errors, tests in the C.UTF-8 locale), then once more under
# AddressSanitizer + UndefinedBehaviorSanitizer with no locale set at all; builds
# the Release configuration users build; then each fuzz target runs for a few
# seconds (scripts/fuzz.sh runs them longer). `ctest -L package` builds and
# checks the Debian package. First of all, every C and C++ file must be laid
# out as .clang-format says (clang-format -i FILE mends one).
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
jobs=$(nproc)

echo "== layout (clang-format) =="
git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

echo "== build and test =="
cmake -S . -B build -G Ninja -DVORLAN_TESTS=ON -DVORLAN_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Release build =="
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORLAN_TESTS=OFF \
      -DVORLAN_WERROR=ON >/dev/null
cmake --build build-release -j "$jobs"

echo "== build and test under ASan + UBSan, with no locale =="
cmake -S . -B build-asan -G Ninja -DVORLAN_TESTS=ON -DVORLAN_SANITIZE=ON -DVORLAN_WERROR=ON \
      -DVORLAN_TEST_LOCALE= -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j "$jobs"
(
  # shellcheck disable=SC2046 # one word per variable name
  unset LANG LANGUAGE $(compgen -e | grep '^LC_' || true)
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
)

echo "== short fuzzing runs (clang, libFuzzer, ASan + UBSan) =="
VORLAN_FUZZ_BUILD=build-fuzz scripts/fuzz.sh 10
