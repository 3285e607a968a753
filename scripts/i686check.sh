#!/usr/bin/env bash
# Builds gstboot for 32-bit x86 Linux, statically, with Debian's cross
# compiler (doubles in SSE2: CMakeLists.txt asks for it and checks it) and
# runs every golden case with it; an x86-64 kernel runs the binary directly.
#   scripts/i686check.sh
# Environment: BUILD (default build-i686), JOBS (default 2).
# Needs g++-i686-linux-gnu (not g++-multilib, which conflicts with the other
# cross compilers).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build-i686}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/i686-linux-gnu.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DGSTBOOT_TESTS=OFF -DCMAKE_EXE_LINKER_FLAGS=-static >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target gstboot >/dev/null
"$build/gstboot" --version
scripts/goldencheck.sh i686 "$build/gstboot"
