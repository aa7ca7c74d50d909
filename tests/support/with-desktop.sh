#!/usr/bin/env bash
# with-desktop.sh COMMAND [ARGS...]
# Runs COMMAND on a desktop of its own: a fresh Xvfb display (a free number that Xvfb picks
# itself) with the openbox window manager, which stacking and focus tests need. Everything it
# started is ended afterwards; COMMAND's exit status is the script's.
# SONABRIX_SCREEN sets the screen size (default 1024x768x24).
set -euo pipefail

screen=${SONABRIX_SCREEN:-1024x768x24}
workdir=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$workdir"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$workdir/display" \
  >"$workdir/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$workdir/display" ] && break
  sleep 0.1
done
if [ ! -s "$workdir/display" ]; then
  echo "with-desktop: Xvfb did not start" >&2
  cat "$workdir/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$workdir/display")"

openbox --sm-disable >"$workdir/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

status=0
"$@" || status=$?
exit "$status"
