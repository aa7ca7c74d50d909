#!/usr/bin/env bash
# gtk_wayland_test.sh SONABRIX
# Where only Wayland is available (no X display, no XWayland), the program runs as an ordinary
# window and says once, in one sentence on standard error, that it cannot stay above. The
# compositor is a headless weston of the test's own; without weston the test is skipped (77).
set -euo pipefail

sonabrix=$1
command -v weston >/dev/null || { echo "weston is not installed"; exit 77; }

runtime=$(mktemp -d)
chmod 700 "$runtime"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT

socket=wayland-sonabrix
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket="$socket" \
  --idle-time=0 >"$runtime/weston.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -S "$runtime/$socket" ] && break
  sleep 0.1
done
[ -S "$runtime/$socket" ] || { cat "$runtime/weston.log" >&2; echo "weston did not start" >&2; exit 1; }

env -u DISPLAY -u GDK_BACKEND XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" \
  NO_AT_BRIDGE=1 "$sonabrix" 2>"$runtime/stderr" &
sonabrix_pid=$!
pids+=($sonabrix_pid)
sleep 2

failures=0
if kill -0 "$sonabrix_pid" 2>/dev/null; then
  echo "ok: the program runs under Wayland alone"
else
  echo "FAILED: the program ended under Wayland alone" >&2
  failures=$((failures + 1))
fi
sentence="Sonabrix cannot keep its window above others here, since only an X11 display lets a program ask for that, so it runs as an ordinary window."
count=$(grep -cxF "$sentence" "$runtime/stderr" || true)
if [ "$count" -eq 1 ]; then
  echo "ok: it says once that it cannot stay above"
else
  echo "FAILED: the sentence came $count times; standard error was:" >&2
  failures=$((failures + 1))
fi
cat "$runtime/stderr"
[ "$failures" -eq 0 ]
