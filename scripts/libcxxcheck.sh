#!/usr/bin/env bash
# Builds gstboot and its tests with clang and libc++ (the C++ library of
# macOS) and runs the whole test suite and the golden cases with that build,
# so that a fault that libstdc++ hides shows here.
#   scripts/libcxxcheck.sh
# Environment: BUILD (default build-libcxx), JOBS (default 2),
# GTEST_SOURCE (default /usr/src/googletest), CXX and CC (default clang++-14
# and clang-14: GoogleTest's project enables C as well).
# Needs clang-14, libc++-14-dev, libc++abi-14-dev and googletest (the sources;
# Debian's prebuilt libgtest is for libstdc++ and cannot link here), and what
# the suite needs (scripts/testdeps.sh --ci installs them all).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build-libcxx}
jobs=${JOBS:-2}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_COMPILER="${CXX:-clang++-14}" -DCMAKE_C_COMPILER="${CC:-clang-14}" \
  -DCMAKE_CXX_FLAGS="-stdlib=libc++" \
  -DCMAKE_EXE_LINKER_FLAGS="-stdlib=libc++" \
  -DGSTBOOT_GTEST_SOURCE="${GTEST_SOURCE:-/usr/src/googletest}" \
  -DGSTBOOT_REQUIRE_TESTS=ON >/dev/null
cmake --build "$build" -j "$jobs"
(cd "$build" && ctest --output-on-failure -j "$jobs")
scripts/goldencheck.sh libc++ "$build/gstboot"
