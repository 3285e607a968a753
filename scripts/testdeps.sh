#!/usr/bin/env bash
# Installs what the tests need: on Debian or Ubuntu, as root (or with sudo
# that asks no password), the packages that are missing. Where it cannot, it
# names them and exits with status 1, so that `make test` stops before a run
# that would only half happen. Off Debian it checks nothing: CMake then
# reports a missing GoogleTest itself.
#   scripts/testdeps.sh          the packages of `make test`
#   scripts/testdeps.sh --ci     and those of the sanitizer and fuzz runs
#                                and of the aarch64 and Windows checks
set -uo pipefail
pkgs=(cmake g++ make libgtest-dev python3 librsvg2-bin valgrind)
[ "${1:-}" = --ci ] && pkgs+=(clang-14 libclang-rt-14-dev g++-aarch64-linux-gnu qemu-user
  g++-mingw-w64-x86-64-posix wine)

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
  echo "testdeps: the tests need these packages: ${need[*]}" >&2
  echo "testdeps: install them (apt-get install ${need[*]}) as root, then run this again" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! { "${run[@]}" apt-get update -qq && "${run[@]}" apt-get install -y -qq "${need[@]}"; }; then
  echo "testdeps: could not install ${need[*]}" >&2
  exit 1
fi
