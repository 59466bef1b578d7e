#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vorlan's window; with arguments,
# runs vorlan-batch with them instead (see vorlan-batch --help).
set -euo pipefail
cd "$(dirname "$0")"
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display for Vorlan's window (DISPLAY and WAYLAND_DISPLAY are unset); run ./run.sh FILE... to use vorlan-batch instead (./run.sh --help)" >&2
  exit 1
fi
scripts/deps.sh build
cmake -S . -B build -G Ninja -DVORLAN_TESTS=OFF >/dev/null
cmake --build build
if [ $# -gt 0 ]; then
  if [ ! -x build/bin/vorlan-batch ]; then echo "vorlan-batch: not built yet" >&2; exit 2; fi
  exec build/bin/vorlan-batch "$@"
fi
exec build/bin/vorlan
