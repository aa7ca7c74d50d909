#!/usr/bin/env bash
# demo.sh OUTDIR
# What `make run` does where there is no display: each front end on a private X desktop, 3D
# typed into it, a screenshot saved under OUTDIR and the label read back printed.
set -euo pipefail

outdir=${1:?usage: demo.sh OUTDIR}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$here/../../build" && pwd)
mkdir -p "$outdir"

echo "No display: a short demonstration on a private X display instead."
status=0
"$here/with-desktop.sh" "$here/demo-window.sh" "Linux (GTK 3)" "$outdir/sonabrix-gtk.png" \
  "$build/linux/sonabrix" || status=1
"$here/with-desktop.sh" "$here/demo-window.sh" "Windows (64-bit, under wine64)" \
  "$outdir/sonabrix-windows.png" \
  "$here/wine.sh" run "$build/wine-run" "$build/windows-x86_64/Sonabrix.exe" || status=1
exit "$status"
