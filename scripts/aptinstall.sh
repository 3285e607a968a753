#!/usr/bin/env bash
# Installs the Debian packages given that are missing, as root or with sudo
# that asks no password. Where it cannot, it names them and exits 1, so the
# caller stops before a run that would only half happen. Off Debian (no
# dpkg) it installs and checks nothing.
#   scripts/aptinstall.sh WHO PACKAGE...
# WHO starts each message ("testdeps", "dist").
set -uo pipefail
who=$1
shift
command -v dpkg >/dev/null 2>&1 || exit 0
need=()
for pkg in "$@"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
[ ${#need[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  run=(sudo -n)
else
  echo "$who: these packages are missing: ${need[*]}" >&2
  echo "$who: install them (apt-get install ${need[*]}) as root, then run this again" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! { "${run[@]}" apt-get update -qq && "${run[@]}" apt-get install -y -qq "${need[@]}"; }; then
  echo "$who: could not install ${need[*]}" >&2
  exit 1
fi
