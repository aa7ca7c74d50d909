#!/usr/bin/env bash
# demo-window.sh NAME SCREENSHOT COMMAND [ARGS...]
# On the display in DISPLAY (best with a window manager, as with-desktop.sh gives): starts
# COMMAND, which opens the Sonabrix window (the GTK program, or the exe under wine64), types 3D
# into it, saves a screenshot of its window, frame included, as SCREENSHOT (PNG), reads the
# label back through the clipboard and prints it under NAME, then closes the program. Exits
# non-zero when any step fails.
set -euo pipefail

name=${1:?usage: demo-window.sh NAME SCREENSHOT COMMAND [ARGS...]}
screenshot=${2:?usage: demo-window.sh NAME SCREENSHOT COMMAND [ARGS...]}
shift 2
[ $# -gt 0 ] || { echo "demo-window: no command to start" >&2; exit 2; }
: "${DISPLAY:?demo-window.sh needs a display in DISPLAY}"
mkdir -p "$(dirname "$screenshot")"

"$@" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

window=
# By title alone: under Wine the window belongs to another process than the one started.
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name '^Sonabrix$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "demo-window: the Sonabrix window did not show" >&2; exit 1; }

# A window manager gives the new window the focus; without one it is given here.
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window"
sleep 0.3
xdotool type --delay 80 3D
sleep 0.3

# The window with its frame: the client area widened by the frame's extents, where a window
# manager draws one.
# xwininfo, not xdotool, for the position: under a reparenting window manager xdotool counts the
# frame twice.
info=$(xwininfo -id "$window")
x=$(sed -n 's/.*Absolute upper-left X: *\([0-9-]*\).*/\1/p' <<<"$info")
y=$(sed -n 's/.*Absolute upper-left Y: *\([0-9-]*\).*/\1/p' <<<"$info")
width=$(sed -n 's/^ *Width: *\([0-9]*\).*/\1/p' <<<"$info")
height=$(sed -n 's/^ *Height: *\([0-9]*\).*/\1/p' <<<"$info")
read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null |
  sed -n 's/.*= \([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\)$/\1 \2 \3 \4/p') || true
left=${left:-0} right=${right:-0} top=${top:-0} bottom=${bottom:-0}
import -window root \
  -crop "$((width + left + right))x$((height + top + bottom))+$((x - left))+$((y - top))" \
  +repage "$screenshot"

xdotool key Tab ctrl+a ctrl+c
label=
for _ in $(seq 40); do
  label=$(xclip -o -selection clipboard 2>/dev/null || true)
  [ -n "$label" ] && break
  sleep 0.05
done

xdotool key alt+F4 2>/dev/null || true
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done

echo "$name screenshot: $screenshot"
echo "$name label for 3D: ${label:-(none read back)}"
[ "$label" = "6C#" ]
