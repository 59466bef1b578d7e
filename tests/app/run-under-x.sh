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
# descriptor. With other servers starting and ending beside it (tests run in
# parallel), it may name a display it then does not answer on, or end: the
# server counts once it answers there, else another is started.
start_server() {
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>>"$work/xvfb.log" &
  server=$!
  for _ in $(seq 300); do
    [ -s "$work/display" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$work/display" ] || return 1
  DISPLAY=":$(head -n 1 "$work/display")"
  export DISPLAY
  for _ in $(seq 100); do
    kill -0 "$server" 2>/dev/null || return 1
    xprop -root >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
answered=no
for attempt in 1 2 3 4 5; do
  if start_server; then
    answered=yes
    break
  fi
  kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  server=""
  sleep "0.$attempt"
done
if [ "$answered" != yes ]; then
  echo "run-under-x.sh: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
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
start_manager() {
  if [ "$wm" = xfwm4 ]; then
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus") xfwm4 --compositor=off >>"$work/$wm.log" 2>&1 &
  else
    openbox --sm-disable >>"$work/$wm.log" 2>&1 &
  fi
  manager=$!
}
start_manager
# Unless asked, the test program gets no session bus: the window uses none,
# and libdbus leaks a little when Qt looks for one that is not there, which
# the leak checker of the sanitizer build reports.
if [ "$programBus" = yes ]; then
  export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
else
  export DBUS_SESSION_BUS_ADDRESS=disabled:
fi
# The window manager is up once the root window names its check window; one
# that ended before (it lost its connection) is started again, twice at most.
starts=1
for _ in $(seq 300); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  if ! kill -0 "$manager" 2>/dev/null && [ "$starts" -lt 3 ]; then
    start_manager
    starts=$((starts + 1))
  fi
  sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  echo "run-under-x.sh: $wm did not start" >&2
  cat "$work/$wm.log" >&2
  exit 1
fi
# The check window comes before the window manager takes the windows it
# finds: a window mapped in between can stay unmanaged for good (seen with
# openbox on a busy machine). A probe window is shown until the manager
# lists one, and the tests begin once it has gone again.
managed() { xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q "0x"; }
ready=no
for _ in $(seq 10); do
  xmessage -name vorlan-wm-probe probe >/dev/null 2>&1 &
  probe=$!
  for _ in $(seq 30); do
    managed && ready=yes && break
    sleep 0.1
  done
  kill "$probe" 2>/dev/null
  wait "$probe" 2>/dev/null
  [ "$ready" = yes ] && break
done
if [ "$ready" != yes ]; then
  echo "run-under-x.sh: $wm manages no window" >&2
  cat "$work/$wm.log" >&2
  exit 1
fi
for _ in $(seq 100); do
  managed || break
  sleep 0.1
done

"$@"
status=$?
exit "$status"
