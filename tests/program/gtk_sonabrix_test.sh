#!/usr/bin/env bash
# gtk_sonabrix_test.sh SONABRIX STACKING_BUILD OUTDIR
# The GTK program as the user meets it, on a desktop from with-desktop.sh: the real sonabrix
# stays above another window that is activated, converts what xdotool types, gives its label to
# the clipboard and ends when its window is closed. STACKING_BUILD is the same program with a
# signal hook for SetAlwaysOnTop (SIGUSR1: false, SIGUSR2: true). The screenshot of the window
# after 3D is saved as OUTDIR/gtk_sonabrix.png.
set -euo pipefail

sonabrix=$1
stacking_build=$2
outdir=$3
mkdir -p "$outdir"

# shellcheck source=../support/checks.sh
source "$(dirname "$0")/../support/checks.sh"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# The visible window titled Sonabrix of process $1.
find_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --pid "$1" --name '^Sonabrix$' 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "no Sonabrix window from process $1" >&2
  return 1
}

# Properties are read whole before they are searched: grep -q stops reading at the first match,
# and under pipefail the writer's broken pipe would count as a failure.
property() { xprop -id "$1" "$2" 2>/dev/null || true; }
has_above() { [[ "$(property "$1" _NET_WM_STATE)" == *_NET_WM_STATE_ABOVE* ]]; }
lacks_above() { ! has_above "$1"; }
# Waits up to two seconds for a condition that the window manager brings about.
eventually() {
  for _ in $(seq 40); do
    if "$@"; then return 0; fi
    sleep 0.05
  done
  return 1
}
geometry() { xdotool getwindowgeometry "$1" | tail -n +2 | tr -s ' ' | tr '\n' ' '; }
# Whether window $1 is above window $2 in the window manager's stacking order (bottom first).
stacked_above() {
  local list top bottom i=0 upper=-1 lower=-1
  top=$(printf '0x%x' "$1")
  bottom=$(printf '0x%x' "$2")
  list=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
  for id in $list; do
    [ "$((id))" -eq "$((top))" ] && upper=$i
    [ "$((id))" -eq "$((bottom))" ] && lower=$i
    i=$((i + 1))
  done
  [ "$upper" -ge 0 ] && [ "$lower" -ge 0 ] && [ "$upper" -gt "$lower" ]
}
clipboard_is() { [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$1" ]; }

# Another, ordinary window, over the same place on the screen as the window $1.
start_other_window() {
  local x y
  read -r x y < <(xdotool getwindowgeometry "$1" |
    sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
  xmessage -title Other -geometry "400x200+$((x > 50 ? x - 50 : 0))+$((y > 50 ? y - 50 : 0))" \
    "another window" >/dev/null 2>&1 &
  pids+=($!)
  other=
  for _ in $(seq 100); do
    other=$(xdotool search --onlyvisible --name '^Other$' 2>/dev/null | head -n1 || true)
    [ -n "$other" ] && return 0
    sleep 0.1
  done
  echo "xmessage did not start" >&2
  return 1
}

# The real program.
"$sonabrix" 2>"$outdir/gtk_sonabrix.stderr" &
sonabrix_pid=$!
pids+=($sonabrix_pid)
window=$(find_window "$sonabrix_pid")
check "the window is kept above" eventually has_above "$window"
check "the client area is 223 x 59 pixels" \
  eval '[[ "$(geometry "$window")" == *"Geometry: 223x59"* ]]'
offers_close_but_no_maximize() {
  local actions
  actions=$(property "$1" _NET_WM_ALLOWED_ACTIONS)
  [[ $actions == *CLOSE* && $actions != *MAXIMIZE* ]]
}
check "the window manager offers no maximize" offers_close_but_no_maximize "$window"
check "the window carries the program icon" \
  eval '[[ "$(property "$window" _NET_WM_ICON)" == *"Icon (64 x 64)"* ]]'
check "the class matches the desktop entry" \
  eval '[[ "$(property "$window" WM_CLASS)" == *", \"Sonabrix\"" ]]'

# Text1 has the focus with its text selected, so typing replaces it.
xdotool type --delay 80 3D
sleep 0.3
import -window root "$outdir/gtk_sonabrix.png"
xdotool key Tab ctrl+a ctrl+c
check "the label read back through the clipboard is 6C#" eventually clipboard_is "6C#"

start_other_window "$window"
xdotool windowactivate --sync "$other" 2>/dev/null || true
sleep 0.3
check "another window took the focus" eval '[ "$(xdotool getactivewindow)" = "$other" ]'
check "the window stays above it" stacked_above "$window" "$other"
check "and keeps its above state" has_above "$window"

xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key alt+F4
status=0
for _ in $(seq 50); do
  kill -0 "$sonabrix_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$sonabrix_pid" 2>/dev/null; then
  check "closing the window ends the program" false
else
  wait "$sonabrix_pid" || status=$?
  check "closing the window ends the program with status 0" [ "$status" -eq 0 ]
fi
check "nothing was written to standard error" [ ! -s "$outdir/gtk_sonabrix.stderr" ]
cat "$outdir/gtk_sonabrix.stderr" >&2

# SetAlwaysOnTop(false) and (true), through the test build's hook.
"$stacking_build" &
stacking_pid=$!
pids+=($stacking_pid)
window=$(find_window "$stacking_pid")
check "the test build starts above" eventually has_above "$window"
before=$(geometry "$window")
kill -USR1 "$stacking_pid"
check "SetAlwaysOnTop(false) removes the above state" eventually lacks_above "$window"
kill -USR1 "$stacking_pid"
sleep 0.3
check "calling it twice changes nothing further" lacks_above "$window"
check "position and size stay" eval '[ "$(geometry "$window")" = "$before" ]'
xdotool windowactivate --sync "$other" 2>/dev/null || true
sleep 0.3
check "an ordinary window now goes above it" stacked_above "$other" "$window"
kill -USR2 "$stacking_pid"
check "SetAlwaysOnTop(true) brings the state back" eventually has_above "$window"
check "and the window above the other again" eventually stacked_above "$window" "$other"
check "position and size still stay" eval '[ "$(geometry "$window")" = "$before" ]'

# Without any display: one plain sentence and a failure status, no crash.
set +e
message=$(env -u DISPLAY -u WAYLAND_DISPLAY "$sonabrix" 2>&1 >/dev/null)
status=$?
set -e
check "without a display it fails with status 1" [ "$status" -eq 1 ]
check "and says so in one line" eval '[ "$(printf "%s\n" "$message" | wc -l)" -eq 1 ]'
echo "without a display: $message"

echo "screenshot: $outdir/gtk_sonabrix.png"
checks_done
