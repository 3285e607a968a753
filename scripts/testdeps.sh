#!/usr/bin/env bash
# Installs what the tests need, where it can: on Debian or Ubuntu, as root (or
# with sudo that asks no password), the packages that are missing. Elsewhere
# it names them and leaves the machine alone; the tests that need a missing
# tool then report themselves skipped with the reason.
#   scripts/testdeps.sh          the packages of `make test`
#   scripts/testdeps.sh --ci     and those of the sanitizer and fuzz runs
set -uo pipefail
pkgs=(cmake g++ make libgtest-dev python3 librsvg2-bin valgrind)
[ "${1:-}" = --ci ] && pkgs+=(clang-14 libclang-rt-14-dev g++-aarch64-linux-gnu qemu-user)

command -v dpkg >/dev/null 2>&1 || exit 0
need=()
for pkg in "${pkgs[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
[ ${#need[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif sudo -n true 2>/dev/null; then
  run=(sudo -n)
else
  echo "testdeps: not installing ${need[*]} (needs root); tests that use them will be skipped" >&2
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -qq && "${run[@]}" apt-get install -y -qq "${need[@]}"
