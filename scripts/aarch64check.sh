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
failed=0
for dir in tests/data/golden/*/; do
  [ -f "$dir/seed" ] || continue
  work=$(mktemp -d)
  cp "$dir/MHCdata.txt" "$dir/MICdata.txt" "$work/"
  status=0
  (cd "$work" && qemu-aarch64 "$exe" --seed "$(cat "$OLDPWD/$dir/seed")" > stdout.txt 2>/dev/null) || status=$?
  if [ "$status" = "$(cat "$dir/status")" ] && cmp -s "$work/stdout.txt" "$dir/stdout.txt" &&
     cmp -s "$work/output.txt" "$dir/output.txt"; then
    echo "aarch64: $(basename "$dir") byte-identical"
  else
    echo "aarch64: $(basename "$dir") DIFFERS" >&2
    failed=1
  fi
  rm -rf "$work"
done
exit "$failed"
