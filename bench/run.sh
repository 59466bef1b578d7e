#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the shared batch benchmark against this project's vorlan-batch.
#
#   bench/run.sh [--build-dir DIR] [--harness DIR] [--jobs N] [HARNESS OPTION]...
#
#   --build-dir DIR  where vorlan-batch is built (default: build/ of the project);
#                    it is configured (RelWithDebInfo) and built when needed
#   --harness DIR    the folder of run_bench.sh (default: $VORLAN_BENCH_HARNESS,
#                    else ../shared/bench beside the project)
#   --jobs N         time `vorlan-batch --jobs N` instead of one process
#   --api-auto       in the api case, time `vorlan-batch --api auto` in place of
#                    the harness's `--api NAME`: each JAR gets the archives that
#                    provide the classes it lacks (the cross-check then differs
#                    for the JARs that lack none)
#   --report         time the runs with `--report` (JSON Lines, into a scratch
#                    folder): its cost is this run's times over those without
#   --recursive      time `vorlan-batch -r .` in place of the JARs named one by
#                    one (the run folder holds exactly those JARs)
# Every other option goes to run_bench.sh (--jars N, --reps R, --cases "...",
# --jdk-jars K, --seed S, --api NAME); see its --help. Its data (corpus, runs,
# results) go to $BENCH_DATA, default $TMPDIR/vorlan-bench.
#
# Examples:
#   bench/run.sh --jars 500 --reps 3 --jdk-jars 0
#   BENCH_DATA=/work/bench-data bench/run.sh --jars 2000 --reps 3 --jobs 2
set -euo pipefail
project=$(cd "$(dirname "$0")/.." && pwd)
build=$project/build
harness=${VORLAN_BENCH_HARNESS:-$project/../shared/bench}
jobs=''
auto=''
report=''
recursive=''
passed=()
while (($#)); do
    case $1 in
        --build-dir) build=$2; shift 2 ;;
        --harness) harness=$2; shift 2 ;;
        --jobs) jobs=$2; shift 2 ;;
        --api-auto) auto=1; shift ;;
        --report) report=1; shift ;;
        --recursive) recursive=1; shift ;;
        -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        *) passed+=("$1"); shift ;;
    esac
done
build=$(realpath -m "$build")  # the harness runs the product from other folders
[[ -x $harness/run_bench.sh ]] || { echo "no benchmark harness in $harness (see --harness)" >&2; exit 2; }
[[ -z $jobs || $jobs =~ ^[0-9]+$ ]] || { echo "--jobs needs a number, not \"$jobs\"" >&2; exit 2; }

# The program and the engine modules it loads from its own folder.
if [[ ! -f $build/CMakeCache.txt ]]; then
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    cmake -S "$project" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target vorlan-batch vorlan_zipdll vorlan_unzdll
product=$build/bin/vorlan-batch

# The harness runs the product as given: --jobs, --api auto, --report and -r
# go in through a wrapper.
if [[ -n $jobs || -n $auto || -n $report || -n $recursive ]]; then
    wrapper_dir=$(mktemp -d "${TMPDIR:-/tmp}/vorlan-bench-jobs.XXXXXX")
    trap 'rm -rf "$wrapper_dir"' EXIT
    {
        printf '#!/usr/bin/env bash\n'
        printf 'front=(%s %s) auto=%q recursive=%q rest=() named=0\n' "${jobs:+--jobs $jobs}" \
            "${report:+--report $(printf %q "$wrapper_dir/report.jsonl")}" "$auto" "$recursive"
        printf 'while (($#)); do\n'
        printf '    if [[ $1 == --api* ]]; then\n'
        printf '        if [[ -n $auto && $1 == --api ]]; then named=1; else rest+=("$1" "$2"); fi\n'
        printf '        shift 2\n'
        printf '    elif [[ -n $recursive && $1 == *.[jJ][aA][rR] ]]; then shift\n'
        printf '    else rest+=("$1"); shift; fi\n'
        printf 'done\n'
        printf '((named)) && front+=(--api auto)\n'
        printf '[[ -n $recursive ]] && rest+=(-r .)\n'
        printf 'exec %q "${front[@]}" "${rest[@]}"\n' "$product"
    } > "$wrapper_dir/vorlan-batch"
    chmod +x "$wrapper_dir/vorlan-batch"
    product=$wrapper_dir/vorlan-batch
fi
"$harness/run_bench.sh" --product "$product" "${passed[@]}"
