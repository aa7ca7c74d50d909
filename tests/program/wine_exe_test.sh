#!/usr/bin/env bash
# wine_exe_test.sh PREFIX EXE SCREENSHOT
# The real Sonabrix.exe under wine64, on a desktop with a window manager (run it through
# with-desktop.sh): its window stays above another window that is activated, typing 3D shows
# 6C#, read back through the clipboard, closing the window ends the process with exit code 0,
# and no file was written. SCREENSHOT (a .png) shows the window over the other one.
set -euo pipefail

prefix=$1 exe=$2 screenshot=$3
here=$(cd "$(dirname "$0")" && pwd)

fail() {
  echo "wine_exe_test: $*" >&2
  exit 1
}

# Retries COMMAND for up to SECONDS; its last output is left in $output.
output=
within() {
  local seconds=$1
  shift
  local tries=$((seconds * 5))
  while [ "$tries" -gt 0 ]; do
    if output=$("$@" 2>/dev/null); then return 0; fi
    sleep 0.2
    tries=$((tries - 1))
  done
  return 1
}

# Whether window $1 is stacked above window $2 among the window manager's clients.
stack_above() {
  local stacking above below
  stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/, /\n/g') || return 1
  above=$(grep -nx "$(printf '0x%x' "$1")" <<<"$stacking" | cut -d: -f1)
  below=$(grep -nx "$(printf '0x%x' "$2")" <<<"$stacking" | cut -d: -f1)
  [ -n "$above" ] && [ -n "$below" ] && [ "$above" -gt "$below" ]
}

# Nothing the program does writes a file: none appears or changes in the prefix's drive or
# in the folder it starts in.
marker=$(mktemp)
sleep 1.1
"$here/../support/wine.sh" run "$prefix" "$exe" &
wine_pid=$!
helper_pid=
trap '[ -n "$helper_pid" ] && kill "$helper_pid" 2>/dev/null; kill "$wine_pid" 2>/dev/null || true' EXIT

within 60 xdotool search --onlyvisible --name '^Sonabrix$' || fail "no visible window titled Sonabrix"
window=$(head -n1 <<<"$output")

has_above() { xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
within 10 has_above || fail "the window is not above others: $(xprop -id "$window" _NET_WM_STATE)"

# The input box has the focus with "Hex" selected: the first key replaces it.
within 10 xdotool getactivewindow || fail "no active window"
[ "$output" = "$window" ] || fail "the Sonabrix window is not the active one"
xdotool type --delay 150 3D
sleep 0.5
xdotool key --delay 150 Tab ctrl+a ctrl+c
label_is() { [ "$(xclip -o -selection clipboard)" = "$1" ]; }
within 5 label_is '6C#' || fail "the label reads '$(xclip -o -selection clipboard 2>&1)', not 6C#"

# Another window, over the same place, activated: Sonabrix stays above it.
xmessage -geometry 500x300+0+0 "another window" &
helper_pid=$!
within 10 xdotool search --sync --onlyvisible --name '^xmessage$' || fail "no helper window"
helper=$(head -n1 <<<"$output")
xdotool windowactivate --sync "$helper"
within 5 xdotool getactivewindow || fail "no active window"
[ "$output" = "$helper" ] || fail "the helper window did not become active"
sleep 0.5
has_above || fail "the window lost _NET_WM_STATE_ABOVE when another was activated"
stack_above "$window" "$helper" || fail "the window is below the activated one: $(xprop -root _NET_CLIENT_LIST_STACKING)"
mkdir -p "$(dirname "$screenshot")"
import -window root -crop 520x320+0+0 "$screenshot"

xdotool windowactivate --sync "$window"
xdotool key alt+F4
status=0
wait "$wine_pid" || status=$?
trap - EXIT
[ -n "$helper_pid" ] && kill "$helper_pid" 2>/dev/null
[ "$status" -eq 0 ] || fail "Sonabrix.exe ended with exit code $status"
written=$(find "$prefix/drive_c" "$PWD" -newer "$marker" -type f 2>/dev/null | grep -v '\.png$' || true)
rm -f "$marker"
[ -z "$written" ] || fail "files were written: $written"
echo "wine_exe_test: passed; screenshot in $screenshot"
