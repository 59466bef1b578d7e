#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a test program on a private X server (Xvfb, on a free display) under a
# window manager, with a home folder of its own, and ends them afterwards.
# Usage: run-under-x.sh [--wm openbox|xfwm4] [--session-bus] PROGRAM [ARGUMENT...]
# openbox is the default; xfwm4 gets a session bus of its own, as in a desktop
# session (its settings are read over D-Bus). --session-bus gives the program
# that bus too (the accessibility bus is found through it).
set -uo pipefail

wm=openbox
programBus=no
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm=$2; shift 2 ;;
    --session-bus) programBus=yes; shift ;;
    *) break ;;
  esac
done
case "$wm" in
  openbox) tools=(openbox) ;;
  xfwm4) tools=(xfwm4) ;;
  *) echo "run-under-x.sh: unknown window manager $wm" >&2; exit 1 ;;
esac

for tool in Xvfb xprop xdotool dbus-daemon "${tools[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    echo "run-under-x.sh: $tool is missing (scripts/deps.sh test installs it)" >&2
    exit 1
  fi
done

work=$(mktemp -d)
server=""
manager=""
bus=""
cleanup() {
  [ -n "$manager" ] && kill "$manager" 2>/dev/null && wait "$manager" 2>/dev/null
  [ -n "$bus" ] && kill "$bus" 2>/dev/null && wait "$bus" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to the given file
# descriptor once it accepts connections.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
for _ in $(seq 300); do
  [ -s "$work/display" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "run-under-x.sh: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n 1 "$work/display")"
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export QT_QPA_PLATFORM=xcb
if [ "$wm" = xfwm4 ] || [ "$programBus" = yes ]; then
  dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/bus" 2>"$work/bus.log" &
  bus=$!
  for _ in $(seq 100); do
    [ -s "$work/bus" ] && break
    sleep 0.1
  done
fi
if [ "$wm" = xfwm4 ]; then
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus") xfwm4 --compositor=off >"$work/$wm.log" 2>&1 &
else
  openbox --sm-disable >"$work/$wm.log" 2>&1 &
fi
manager=$!
# Unless asked, the test program gets no session bus: the window uses none,
# and libdbus leaks a little when Qt looks for one that is not there, which
# the leak checker of the sanitizer build reports.
if [ "$programBus" = yes ]; then
  export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
else
  export DBUS_SESSION_BUS_ADDRESS=disabled:
fi
# The window manager is up once the root window names its check window.
for _ in $(seq 300); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  echo "run-under-x.sh: $wm did not start" >&2
  cat "$work/$wm.log" >&2
  exit 1
fi

"$@"
status=$?
exit "$status"
