#!/usr/bin/env bash
# wine.sh: wine64 for the tests and `make run-windows`, in prefixes of the project's own.
#
#   wine.sh make-prefix PREFIX DPI   makes a fresh prefix whose screen is DPI dots per inch
#   wine.sh run PREFIX PROGRAM ARGS  runs PROGRAM in PREFIX (made when missing, at
#                                    SONABRIX_WINE_DPI or 96) and ends that prefix's Wine
#                                    processes after it; PROGRAM's exit status is the script's
#
# Wine takes its DPI from the LogPixels value of the prefix's registry. Mono and Gecko are
# never offered: nothing here needs them, and a prefix is made without a network.
set -euo pipefail

export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

usage() {
  sed -n '2,10p' "$0" >&2
  exit 2
}

make_prefix() {
  local prefix dpi=$2
  prefix=$(realpath -m "$1")
  case $dpi in '' | *[!0-9]*) usage ;; esac
  export WINEPREFIX=$prefix
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$prefix"
  mkdir -p "$prefix"
  # No display: the first start of a prefix must not open windows on the user's desktop.
  DISPLAY= "$wine" wineboot -i >/dev/null 2>&1
  # Wine's own fonts (Tahoma among them, from fonts-wine) are looked for beside a folder where
  # Debian does not put them; in the prefix's font folder Wine finds them.
  local font
  for font in /usr/share/wine/fonts/*; do
    [ -e "$font" ] && ln -sf "$font" "$prefix/drive_c/windows/Fonts/"
  done
  # Wine has read the value from each of these keys in one version or another.
  local key
  for key in 'HKCU\Control Panel\Desktop' 'HKCU\Software\Wine\Fonts' \
    'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    DISPLAY= "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  done
  "$wineserver" -w
  # The registry is written to disk when the server ends: read it back to be sure.
  local stored
  stored=$(grep -ci "\"LogPixels\"=dword:$(printf '%08x' "$dpi")" "$prefix/user.reg" \
    "$prefix/system.reg" | awk -F: '{ n += $2 } END { print n }')
  if [ "$stored" -lt 3 ]; then
    echo "wine.sh: LogPixels $dpi did not reach the registry of $prefix" >&2
    exit 1
  fi
}

run() {
  local prefix
  prefix=$(realpath -m "$1")
  shift
  export WINEPREFIX=$prefix
  [ -f "$prefix/user.reg" ] || (make_prefix "$prefix" "${SONABRIX_WINE_DPI:-96}")
  local status=0
  "$wine" "$@" || status=$?
  "$wineserver" -k 2>/dev/null || true
  return "$status"
}

[ $# -ge 1 ] || usage
command=$1
shift
case $command in
  make-prefix) [ $# -eq 2 ] || usage; make_prefix "$@" ;;
  run) [ $# -ge 2 ] || usage; run "$@" ;;
  *) usage ;;
esac
