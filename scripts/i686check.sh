#!/usr/bin/env bash
# Builds gstboot for 32-bit x86 Linux, statically, with Debian's cross
# compiler (doubles in SSE2: CMakeLists.txt asks for it and checks it) and
# runs every golden case with it; an x86-64 kernel runs the binary directly,
# or qemu-i386 where the kernel has no 32-bit support.
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
# A kernel built or booted without 32-bit support refuses the binary (Exec
# format error); qemu-user's qemu-i386 then runs it, with the same SSE2
# arithmetic.
runner=()
if ! "$build/gstboot" --version >/dev/null 2>&1; then
  command -v qemu-i386 >/dev/null ||
    { echo "i686check: this kernel does not run 32-bit programs and qemu-i386 (Debian: qemu-user) is missing" >&2; exit 1; }
  echo "i686check: this kernel does not run 32-bit programs: running them under qemu-i386"
  runner=(qemu-i386)
fi
"${runner[@]}" "$build/gstboot" --version
scripts/goldencheck.sh i686 "$build/gstboot" "${runner[@]}"
