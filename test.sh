#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs every test: once in a normal build
# (warnings as errors, tests in the C.UTF-8 locale), then once more under
# AddressSanitizer + UndefinedBehaviorSanitizer with no locale set at all; builds
# the Release configuration users build; then each fuzz target runs for a few
# seconds (scripts/fuzz.sh runs them longer). `ctest -L package` builds and
# checks the Debian package. First of all, every C and C++ file must be laid
# out as .clang-format says (clang-format -i FILE mends one), and once the
# tree carries license identifiers, every source file must carry one. After
# the first build, clang-tidy checks the names of the production code against
# the naming rule of README.md.
#
# The time of each stage is printed at the end, also when one fails. The
# whole is meant to take under 45 minutes on two cores: the sanitizer run
# tries every fourth fault point of the fault campaigns (the normal run
# tries them all; VORLAN_FAULT_STRIDE=1 ./test.sh tries them all there too).
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)

stage_lines=()
stage_name=""
stage_start=0
begin_stage() {
  end_stage
  stage_name=$1
  stage_start=$SECONDS
  echo "== $stage_name =="
}
end_stage() {
  [ -n "$stage_name" ] && stage_lines+=("$(printf '%5d s  %s' $((SECONDS - stage_start)) "$stage_name")")
  stage_name=""
}
print_stage_times() {
  local status=$?
  [ -n "$stage_name" ] && stage_name="$stage_name (failed)"
  end_stage
  echo "== stage times =="
  printf '%s\n' "${stage_lines[@]}"
  printf '%5d s  all, on %s processors\n' "$SECONDS" "$jobs"
  exit "$status"
}
trap print_stage_times EXIT

begin_stage "packages"
scripts/deps.sh test

begin_stage "layout (clang-format) and license identifiers"
git ls-files -z -- '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
# The identifiers are stamped into the tree once (scripts/spdx.sh); from
# then on, a file without one fails.
if [ -x scripts/spdx.sh ] && grep -q 'SPDX-License-Identifier' CMakeLists.txt; then
  scripts/spdx.sh --check
fi

begin_stage "build and test"
cmake -S . -B build -G Ninja -DVORLAN_TESTS=ON -DVORLAN_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

begin_stage "naming rule (clang-tidy) on the production tree"
# Only readability-identifier-naming (.clang-tidy), over the compile commands
# of the build above; the tests name things after the cases they build.
run-clang-tidy -p build -j "$jobs" -quiet \
  "^$PWD/(app|cli|engines|filecommit|fsutil|midlet|platform|suitecheck|zip|zipformat)/"

begin_stage "Release build"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORLAN_TESTS=OFF \
      -DVORLAN_WERROR=ON >/dev/null
cmake --build build-release -j "$jobs"

begin_stage "build and test under ASan + UBSan, with no locale"
cmake -S . -B build-asan -G Ninja -DVORLAN_TESTS=ON -DVORLAN_SANITIZE=ON -DVORLAN_WERROR=ON \
      -DVORLAN_TEST_LOCALE= -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j "$jobs"
(
  # shellcheck disable=SC2046 # one word per variable name
  unset LANG LANGUAGE $(compgen -e | grep '^LC_' || true)
  VORLAN_FAULT_STRIDE=${VORLAN_FAULT_STRIDE:-4} \
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
)

begin_stage "short fuzzing runs (clang, libFuzzer, ASan + UBSan)"
VORLAN_FUZZ_BUILD=build-fuzz scripts/fuzz.sh 10
end_stage
