#!/bin/sh
# Installs whichever of the Debian packages named on the command line are missing. Run as root
# it uses apt-get directly, otherwise through sudo; elsewhere it names what to install.
set -eu

missing=""
for package in "$@"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing="$missing $package"
done
[ -n "$missing" ] || exit 0

if ! command -v apt-get >/dev/null 2>&1; then
  echo "Sonabrix builds on Debian 12. On this system, install the equivalents of:$missing" >&2
  exit 1
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=""
elif command -v sudo >/dev/null 2>&1; then
  as_root="sudo"
else
  echo "Not root and no sudo: as root, run apt-get install$missing" >&2
  exit 1
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -q
# shellcheck disable=SC2086
$as_root apt-get install -y -q --no-install-recommends $missing
