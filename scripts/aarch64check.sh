#!/usr/bin/env bash
# Builds gstboot for aarch64 (the NEON kernels, as on an ARM Mac or an ARM
# Linux machine) with the cross compiler and runs every golden case under
# qemu: the output must be byte-identical to the x86-64 golden files.
# Needs g++-aarch64-linux-gnu and qemu-user (scripts/testdeps.sh --ci).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build-aarch64}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-linux-gnu.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DGSTBOOT_TESTS=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target gstboot >/dev/null
export QEMU_LD_PREFIX=/usr/aarch64-linux-gnu
exe=$(cd "$build" && pwd)/gstboot
qemu-aarch64 "$exe" --version
scripts/goldencheck.sh aarch64 "$exe" qemu-aarch64
