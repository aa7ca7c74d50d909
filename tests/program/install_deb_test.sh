#!/usr/bin/env bash
# install_deb_test.sh BUILD_DIR OUTDIR
# Makes the .deb with CPack in OUTDIR and checks what it would put on a Debian system.
set -euo pipefail

build=$1
outdir=$2
id=io.sonabrix.Sonabrix
rm -rf "$outdir"
mkdir -p "$outdir"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$outdir" >"$outdir/cpack.log" 2>&1 ||
  { cat "$outdir/cpack.log" >&2; exit 1; }
deb=$(find "$outdir" -maxdepth 1 -name 'sonabrix_*.deb' | head -n1)
[ -n "$deb" ] || { echo "FAILED: no sonabrix_*.deb in $outdir" >&2; exit 1; }
echo "package: $deb"

failures=0
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/sonabrix "./usr/share/applications/$id.desktop" \
  "./usr/share/metainfo/$id.metainfo.xml" "./usr/share/icons/hicolor/256x256/apps/$id.png" \
  ./usr/share/doc/sonabrix/copyright; do
  if grep -qx "$path" <<<"$contents"; then
    echo "ok: $path"
  else
    echo "FAILED: $path is not in the package" >&2
    failures=$((failures + 1))
  fi
done
depends=$(dpkg-deb -f "$deb" Depends)
if grep -q 'libgtk-3-0' <<<"$depends"; then
  echo "ok: depends on GTK 3 ($depends)"
else
  echo "FAILED: the package does not depend on libgtk-3-0: $depends" >&2
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ]
