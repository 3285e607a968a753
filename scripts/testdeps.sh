#!/usr/bin/env bash
# Installs what the tests need (scripts/aptinstall.sh): on Debian or Ubuntu,
# as root or with sudo that asks no password, the packages that are
# missing; where it cannot, it names them and exits with status 1, so that
# `make test` stops. Off Debian it checks nothing: CMake then reports a
# missing GoogleTest itself. zlib1g-dev lets the build read bgzipped VCF
# files; bcftools is the independent reader the VCF tests compare with.
#   scripts/testdeps.sh          the packages of `make test`
#   scripts/testdeps.sh --ci     and those of the other CI steps: the
#                                sanitizers and fuzzing, the libc++ build
#                                (GoogleTest from its sources), the aarch64
#                                runs and the Windows build under wine
set -uo pipefail
pkgs=(cmake g++ make libgtest-dev python3 librsvg2-bin valgrind zlib1g-dev bcftools)
[ "${1:-}" = --ci ] && pkgs+=(clang-14 libclang-rt-14-dev g++-aarch64-linux-gnu g++-i686-linux-gnu qemu-user
  libc++-14-dev libc++abi-14-dev googletest g++-mingw-w64-x86-64-posix wine wine64)

exec "$(dirname "$0")/aptinstall.sh" testdeps "${pkgs[@]}"
