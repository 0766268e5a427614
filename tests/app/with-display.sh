#!/usr/bin/env bash
# Runs a command on a private X server with a window manager, so that windows get real
# activation and focus.
set -euo pipefail
command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 1; }
dir=$(mktemp -d)
trap 'kill $wm $xvfb 2>/dev/null || true; rm -rf "$dir"' EXIT
exec 3>"$dir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$dir/display")"
export QT_QPA_PLATFORM=xcb
openbox >/dev/null 2>&1 &
wm=$!
sleep 0.5
"$@"
