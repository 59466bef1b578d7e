#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Rebuilds the fix template fix.jar and the sample suite samples/Hello.jar byte
# for byte from their Java sources: ecj compiles them for CLDC 1.1 (class
# version 45.3 with stack maps) against our own MIDP/CLDC stubs, which are not
# packed, and pack-jar.py packs them with fixed timestamps.
#   data/make-jars.sh [OUTPUT_FOLDER]    (default: data/ itself)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
mkdir -p "$out/samples"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

compile() {  # compile SOURCE_ROOT CLASS_FOLDER
  mkdir -p "$2"
  find "$1" -name '*.java' -print0 | sort -z |
    xargs -0 ecj -source 1.3 -target cldc1.1 -nowarn -encoding UTF-8 \
      -bootclasspath "$work/stubs" -d "$2"
}

# The stubs first, on their own: they stand in for the phone's classes.
mkdir -p "$work/stubs"
find "$here/stubs" -name '*.java' -print0 | sort -z |
  xargs -0 ecj -source 1.3 -target cldc1.1 -nowarn -encoding UTF-8 -d "$work/stubs"

compile "$here/template" "$work/template"
python3 "$here/pack-jar.py" "$out/fix.jar" "$here/template/MANIFEST.MF" "$work/template"

compile "$here/samples/src" "$work/sample"
python3 "$here/pack-jar.py" "$out/samples/Hello.jar" "$here/samples/src/MANIFEST.MF" "$work/sample"
