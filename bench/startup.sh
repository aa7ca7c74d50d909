#!/usr/bin/env bash
# bench/startup.sh [BUILD_DIR] [RUNS]
# Start-up time to a shown window and resident memory of sonabrix, beside the smallest GTK 3
# window (startup_minimal_gtk), each started RUNS times (default 15) in turn on a fresh Xvfb
# display with openbox. Prints the median and the range of each. BUILD_DIR defaults to
# build/linux; build it first (make build, or cmake --build).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/linux}" && pwd)
runs=${2:-15}

if [ "${SONABRIX_BENCH_ON_DESKTOP:-}" != 1 ]; then
  SONABRIX_BENCH_ON_DESKTOP=1 GDK_BACKEND=x11 GDK_SCALE=1 NO_AT_BRIDGE=1 \
    exec "$root/tests/support/with-desktop.sh" "$0" "$build" "$runs"
fi

probe=$build/bench/startup_probe
programs=("$build/sonabrix" "$build/bench/startup_minimal_gtk")
for program in "$probe" "${programs[@]}"; do
  [ -x "$program" ] || { echo "startup.sh: $program is not built" >&2; exit 1; }
done

results=$(mktemp)
trap 'rm -f "$results"' EXIT
# One start of each first, unmeasured, so that both find the libraries in the page cache.
for program in "${programs[@]}"; do "$probe" "$program" >/dev/null; done
for _ in $(seq "$runs"); do
  for program in "${programs[@]}"; do
    echo "$(basename "$program") $("$probe" "$program")" >>"$results"
  done
done

summary() {
  local name=$1 field=$2
  grep "^$name " "$results" | sed "s/.*$field=\([0-9.]*\).*/\1/" | sort -n |
    awk '{ v[NR] = $1 } END { printf "median %s (%s to %s)", v[int((NR + 1) / 2)], v[1], v[NR] }'
}
echo "Start-up to a shown window and resident memory, $runs runs each, Xvfb with openbox:"
for program in "${programs[@]}"; do
  name=$(basename "$program")
  printf '  %-20s shown after ms: %-28s RSS KiB: %s\n' "$name" "$(summary "$name" shown_ms)" \
    "$(summary "$name" rss_kib)"
done
