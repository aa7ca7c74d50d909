#!/usr/bin/env bash
# demo-gtk.sh SCREENSHOT [SONABRIX]
# On the display in DISPLAY (best with a window manager, as with-desktop.sh gives): starts the
# GTK program (build/linux/sonabrix by default), types 3D into it, saves a screenshot of its
# window, frame included, as SCREENSHOT (PNG), reads the label back through the clipboard and
# prints it, then closes the program. Exits non-zero when any step fails.
set -euo pipefail

screenshot=${1:?usage: demo-gtk.sh SCREENSHOT [SONABRIX]}
root=$(cd "$(dirname "$0")/../.." && pwd)
sonabrix=${2:-$root/build/linux/sonabrix}
: "${DISPLAY:?demo-gtk.sh needs a display in DISPLAY}"
[ -x "$sonabrix" ] || { echo "demo-gtk: no program at $sonabrix" >&2; exit 1; }
mkdir -p "$(dirname "$screenshot")"

"$sonabrix" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "$pid" --name '^Sonabrix$' 2>/dev/null | head -n1 ||
    true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "demo-gtk: the Sonabrix window did not show" >&2; exit 1; }

# A window manager gives the new window the focus; without one it is given here.
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window"
sleep 0.3
xdotool type --delay 80 3D
sleep 0.3

# The window with its frame: the client area widened by the frame's extents, where a window
# manager draws one.
read -r x y < <(xdotool getwindowgeometry "$window" |
  sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
read -r width height < <(xdotool getwindowgeometry "$window" |
  sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
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
for _ in $(seq 30); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done

echo "Linux (GTK 3) screenshot: $screenshot"
echo "Linux (GTK 3) label for 3D: ${label:-(none read back)}"
[ "$label" = "6C#" ]
