#!/usr/bin/env bash
# install_test.sh BUILD_DIR PREFIX VERSION
# Installs the native build into PREFIX (emptied first) and checks the tree against what a Linux
# desktop looks for: the program on the path, its desktop entry, its icon in the hicolor theme
# at every size, its AppStream metainfo, all under one id, and both validators content.
set -euo pipefail

build=$1
prefix=$2
version=$3
id=io.sonabrix.Sonabrix

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

# shellcheck source=../support/checks.sh
source "$(dirname "$0")/../support/checks.sh"

# Width and height from a PNG's header, as "WxH".
png_size() {
  local hex
  hex=$(od -An -tx1 -j16 -N8 "$1" | tr -d ' \n')
  echo "$((16#${hex:0:8}))x$((16#${hex:8:8}))"
}

desktop="$prefix/share/applications/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"

check "bin/sonabrix is installed and executable" test -x "$prefix/bin/sonabrix"
check "the desktop entry is installed" test -f "$desktop"
check "the metainfo is installed" test -f "$metainfo"
for size in 16 32 64 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  check "the ${size}x${size} icon is installed" test -f "$icon"
  if [ -f "$icon" ]; then
    check "the ${size}x${size} icon is ${size}x${size} pixels" \
      eval '[ "$(png_size "$icon")" = "${size}x${size}" ]'
  fi
done
unexpected=$(find "$prefix" -type f | grep -v -e "/bin/sonabrix$" -e "/share/applications/$id.desktop$" \
  -e "/share/metainfo/$id.metainfo.xml$" -e "/share/icons/hicolor/.*/apps/$id.png$" \
  -e "/share/doc/sonabrix/" || true)
check "nothing else is installed" test -z "$unexpected"
[ -z "$unexpected" ] || echo "$unexpected" >&2

check "the entry starts the installed program" grep -qx "Exec=sonabrix" "$desktop"
check "the entry names the installed icon" grep -qx "Icon=$id" "$desktop"
check "the metainfo launches the entry" grep -q "<launchable type=\"desktop-id\">$id.desktop<" \
  "$metainfo"
check "the metainfo has the project's version" grep -q "<release version=\"$version\"" "$metainfo"

check "desktop-file-validate passes" desktop-file-validate "$desktop"
check "appstreamcli validate passes" appstreamcli validate --no-net "$metainfo"

checks_done
