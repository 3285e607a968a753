#!/usr/bin/env bash
# Cross-builds the unit tests for aarch64 (the NEON kernels) with GoogleTest
# compiled from its sources, and runs under qemu, through ctest, those that
# hold the arithmetic: the fast scorers against the plain ones on some five
# thousand random studies (Engine, MicEngine, NoVariation), and the pieces
# they are built from; the project's own elementary functions against their
# high-precision table and the neutral test's arithmetic (Numeric,
# NeutralMath). Tests that run the program as a child process are left out:
# the child is an aarch64 program that this machine's kernel does not start
# without binfmt_misc, and scripts/aarch64check.sh runs the golden cases
# through the program instead.
#   scripts/aarch64tests.sh
# Environment: BUILD (default build-aarch64-tests), JOBS (default 2),
# GTEST_SOURCE (default /usr/src/googletest).
# Needs g++-aarch64-linux-gnu, qemu-user and googletest (the sources);
# scripts/testdeps.sh --ci installs them.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build-aarch64-tests}
jobs=${JOBS:-2}
# The suites that compute; every test in them runs in-process.
suites='Engine|ExactSum|MicEngine|PairMissing|NoVariation|Scale|Components|PairGst|Random|DrawIndex|Resample|SortVals|Shortest|Fold|Fixed|Lines|Numeric|NeutralMath'
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-linux-gnu.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DGSTBOOT_GTEST_SOURCE="${GTEST_SOURCE:-/usr/src/googletest}" -DGSTBOOT_REQUIRE_TESTS=ON -DGSTBOOT_LONG_TESTS=ON >/dev/null
# The test discovery after the link runs the test program under qemu (the
# toolchain file names it as the emulator).
cmake --build "$build" -j "$jobs" --target gstboot_tests >/dev/null
cd "$build"
# A filter that matched nothing would pass silently: count first.
count=$(ctest -N -R "^($suites)\\." | sed -n 's/^Total Tests: //p')
[ "${count:-0}" -ge 30 ] || { echo "aarch64tests: only ${count:-0} tests match the filter" >&2; exit 1; }
ctest --output-on-failure -j "$jobs" -R "^($suites)\\."
