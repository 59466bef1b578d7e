#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzz configuration (clang, libFuzzer, ASan + UBSan, no window)
# and runs each fuzz target for a while, seeded with the hostile corpus,
# archives packed by jar, zip and Python's zipfile, the shipped JARs and
# manifests, all made afresh here.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#
# SECONDS_PER_TARGET defaults to 600; TARGET is fuzz_directory_reader,
# fuzz_extract_engine or fuzz_text_form (default: all three). ./test.sh runs
# this with a few seconds per target. The build folder is $VORLAN_FUZZ_BUILD
# (default build-fuzz). What a run finds is written to <build>/fuzz-findings/
# and the run fails; the corpus a run grows is kept in <build>/fuzz-corpus/
# for the next run. Keep a finding as a regression: tests/fuzz/regressions/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_directory_reader fuzz_extract_engine fuzz_text_form)
build=${VORLAN_FUZZ_BUILD:-build-fuzz}
# Absolute: the targets change the current directory while they run, and an
# input that ends a run is written where libFuzzer stands at that moment.
build=$(mkdir -p "$build" && cd "$build" && pwd)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DVORLAN_FUZZ=ON -DVORLAN_WITH_QT=OFF -DVORLAN_WERROR=ON \
  -DVORLAN_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_all -j "$(nproc)"

bin="$build/tests/bin"
seeds="$build/fuzz-seeds"
rm -rf "$seeds"
mkdir -p "$seeds/archives" "$seeds/text"

# Archives: the hostile corpus, the shipped JARs, a suite packed by each tool.
"$bin/hostile_corpus_writer" "$seeds/archives"
cp data/fix.jar data/samples/*.jar "$seeds/archives/"
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
mkdir -p "$staging/META-INF" "$staging/game/res"
printf 'Manifest-Version: 1.0\r\nMIDlet-Name: Seed\r\nMIDlet-Version: 1.0\r\nMIDlet-1: Seed, /i.png, game.Main\r\n' \
  >"$staging/META-INF/MANIFEST.MF"
head -c 3000 /dev/zero | tr '\0' 'c' >"$staging/game/Main.class"
echo "level one" >"$staging/game/res/level.txt"
(cd "$staging" && jar cfm "$seeds/archives/packed-jar.jar" META-INF/MANIFEST.MF game) 2>/dev/null || true
(cd "$staging" && zip -q -r -X "$seeds/archives/packed-zip.jar" META-INF game) || true
python3 - "$staging" "$seeds/archives/packed-python.jar" <<'PY' || true
import os, sys, zipfile
root, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for folder, _, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            z.write(path, os.path.relpath(path, root))
PY

# Texts: the manifests of those archives, the template's, and line-end oddities.
for archive in "$seeds"/archives/*.jar; do
  unzip -p "$archive" META-INF/MANIFEST.MF >"$seeds/text/$(basename "$archive" .jar).mf" 2>/dev/null || true
done
cp data/template/MANIFEST.MF "$seeds/text/template.mf"
printf 'a\r\nb\rc\nd\n\r\n\r\re' >"$seeds/text/line-ends.mf"
printf 'MIDlet-1: A, , a.A\0MIDlet-Version: 1' >"$seeds/text/nul.mf"
printf 'X: midlet-jar-url midlet-jar-size\nY: MIDlet-1: midlet-version: 2\n' >"$seeds/text/keys-in-values.mf"
find "$seeds/text" -size 0 -delete

status=0
for target in "${targets[@]}"; do
  case "$target" in
    fuzz_text_form) seed_folder="$seeds/text" ;;
    *) seed_folder="$seeds/archives" ;;
  esac
  corpus="$build/fuzz-corpus/$target"
  findings="$build/fuzz-findings/$target"
  mkdir -p "$corpus" "$findings"
  echo "== $target: ${seconds}s"
  # -max_len fits the corpus' 64 KiB name; -timeout makes a hang a finding.
  if ! "$bin/$target" -max_total_time="$seconds" -max_len=70000 -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$seed_folder" \
       >"$build/fuzz-$target.log" 2>&1; then
    echo "$target found something: see $build/fuzz-$target.log and $findings/"
    tail -40 "$build/fuzz-$target.log"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build/fuzz-$target.log" || true
done
exit $status
