#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs run.sh from another folder, over a project folder whose build is
# stood in for (cmake and deps.sh do nothing, build/bin is this build's):
# relative arguments are the caller's, standard output is vorlan-batch's
# alone, and without a display the window's start fails with a message.
#   tests/package/check-run-script.sh SOURCE_DIR BIN_DIR
set -euo pipefail
source_dir=$1
bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "run.sh check: $*" >&2; exit 1; }

project="$work/vorlan"
mkdir -p "$project/scripts" "$project/build" "$work/tools" "$work/games"
cp "$source_dir/run.sh" "$project/"
printf '#!/bin/sh\necho "built" \n' >"$project/scripts/deps.sh"
printf '#!/bin/sh\nexit 0\n' >"$work/tools/cmake"
chmod +x "$project/scripts/deps.sh" "$work/tools/cmake"
ln -s "$bin" "$project/build/bin"
export PATH="$work/tools:$PATH"

python3 - "$work/games/Game.jar" <<'PYTHON'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as game:
    game.writestr("META-INF/MANIFEST.MF", "MIDlet-Name: Game\r\nMIDlet-Version: 1.0\r\nMIDlet-1: Game,,g.G\r\n")
    game.writestr("g/G.class", "g")
PYTHON
cd "$work/games"
output=$(../vorlan/run.sh Game.jar 2>"$work/errors") || { cat "$work/errors" >&2; fail "run.sh Game.jar failed"; }
[ "$output" = "$(printf '[x] Game.jar\nProcess successfuly completed!')" ] || fail "standard output: $output"
grep -q "^MIDlet-Jar-URL: Game.jar" Game.jad || fail "no descriptor beside the caller's Game.jar"

# Also when Qt is told to use a platform that needs a display.
for platform in "" xcb wayland; do
  status=0
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM="$platform" ../vorlan/run.sh >/dev/null 2>"$work/errors" || status=$?
  [ "$status" -ne 0 ] || fail "run.sh without a display (QT_QPA_PLATFORM=$platform) exits with 0"
  grep -q "no display" "$work/errors" ||
    fail "run.sh without a display (QT_QPA_PLATFORM=$platform) does not say so: $(cat "$work/errors")"
done
echo "run.sh check: passed"
