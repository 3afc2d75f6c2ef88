#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) of its own, with Qt on the xcb platform.
# The server picks a free display itself (-displayfd), so runs in parallel never race for one.
set -u
tmp=$(mktemp -d) || exit 1
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
server=$!
cleanup() { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$tmp"; }
trap cleanup EXIT
# Wait for the server to name its display (a hang guard of 60 s, not a timing).
for _ in $(seq 600); do
  [ -s "$tmp/display" ] && break
  kill -0 "$server" 2>/dev/null || { cat "$tmp/xvfb.log" >&2; echo "xvfb-test: Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$tmp/display" ] || { echo "xvfb-test: Xvfb named no display" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
"$@"
