#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and starts Vorlan's window; with arguments,
# runs vorlan-batch with them instead (see vorlan-batch --help). The build
# runs in the project's folder, vorlan-batch in the caller's, so relative
# paths among the arguments are the caller's, as in any command.
set -euo pipefail
project=$(cd "$(dirname "$0")" && pwd)
# Qt's platforms xcb and wayland need a display server; offscreen, vnc and
# the like do not.
needs_display() {
  case "${QT_QPA_PLATFORM:-}" in "" | xcb* | wayland*) return 0 ;; *) return 1 ;; esac
}
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && needs_display; then
  echo "run.sh: no display for Vorlan's window (DISPLAY and WAYLAND_DISPLAY are unset); run ./run.sh FILE... to use vorlan-batch instead (./run.sh --help)" >&2
  exit 1
fi
# What the build prints goes to standard error: standard output is
# vorlan-batch's, for the scripts that read its lines.
(
  cd "$project"
  scripts/deps.sh build
  cmake -S . -B build -G Ninja -DVORLAN_TESTS=OFF >/dev/null
  cmake --build build
) >&2
if [ $# -gt 0 ]; then
  exec "$project/build/bin/vorlan-batch" "$@"
fi
exec "$project/build/bin/vorlan"
