#!/usr/bin/env bash
# Builds the release binaries, statically linked and stripped, into dist/:
#   dist/gstboot-linux-x86_64         (g++)
#   dist/gstboot-linux-aarch64        (g++-aarch64-linux-gnu)
#   dist/gstboot-windows-x86_64.exe   (x86_64-w64-mingw32-g++-posix)
# and runs every golden case with each file as it is shipped: aarch64 under
# qemu-aarch64, Windows under wine. A binary whose check fails, or that is
# not static, is removed and the script fails.
#   scripts/dist.sh [TARGET ...]
# TARGET is linux-x86_64, linux-aarch64 or windows-x86_64 (default: all
# three). Each is built in its own folder, build-dist-TARGET.
# Environment: JOBS (default 2).
# Needs cmake, make and, per target, the compilers above, qemu-user, and
# wine with wine64. On Debian it installs the missing ones as root (or with
# sudo that asks no password); where it cannot, it names them and exits 1.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
windows_toolchain=cmake/mingw-w64-x86_64.cmake

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(linux-x86_64 linux-aarch64 windows-x86_64)

pkgs=(cmake make binutils)
for target in "${targets[@]}"; do
  case $target in
    linux-x86_64) pkgs+=(g++ zlib1g-dev) ;;
    linux-aarch64) pkgs+=(g++-aarch64-linux-gnu binutils-aarch64-linux-gnu qemu-user) ;;
    windows-x86_64)
      # Before any package or build: without the port's toolchain file there
      # is nothing to build.
      if [ ! -f "$windows_toolchain" ]; then
        echo "dist: $windows_toolchain is missing: this checkout has no Windows port to build" >&2
        exit 1
      fi
      pkgs+=(g++-mingw-w64-x86-64-posix wine wine64) ;;
    *) echo "dist: unknown target '$target' (linux-x86_64, linux-aarch64, windows-x86_64)" >&2; exit 2 ;;
  esac
done

# Installs the missing packages, or names them and stops.
scripts/aptinstall.sh dist "${pkgs[@]}"

# Configures and builds the program alone in build-dist-TARGET; the extra
# arguments go to the configure step.
build() {
  local dir=build-dist-$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DGSTBOOT_TESTS=OFF "$@" >/dev/null
  cmake --build "$dir" -j "$jobs" --target gstboot >/dev/null
}

# A Linux binary is static when it names no dynamic loader and no library.
static_elf() {
  if readelf -lW "$1" | grep -q INTERP || readelf -dW "$1" | grep -q NEEDED; then
    echo "dist: $1 is not statically linked:" >&2
    readelf -dW "$1" | grep NEEDED >&2 || true
    return 1
  fi
}

# A Windows binary is static when it imports no DLL of the compiler's
# runtime (libstdc++-6, libgcc_s_seh-1, libwinpthread-1): only Windows' own.
static_pe() {
  if x86_64-w64-mingw32-objdump -p "$1" | grep -i "DLL Name: lib"; then
    echo "dist: $1 needs the DLLs above, which Windows does not have" >&2
    return 1
  fi
}

mkdir -p dist
failed=()
# Removes a shipped file whose check failed, so that dist/ holds only
# binaries that passed.
reject() {
  rm -f "$1"
  failed+=("$1")
}

for target in "${targets[@]}"; do
  echo "== dist: $target"
  case $target in
    linux-x86_64)
      out=dist/gstboot-linux-x86_64
      build "$target" -DCMAKE_EXE_LINKER_FLAGS=-static
      strip -o "$out" build-dist-$target/gstboot
      { static_elf "$out" && "$out" --version && scripts/goldencheck.sh "$target" "$out"; } || reject "$out"
      ;;
    linux-aarch64)
      out=dist/gstboot-linux-aarch64
      build "$target" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-linux-gnu.cmake" -DCMAKE_EXE_LINKER_FLAGS=-static
      aarch64-linux-gnu-strip -o "$out" build-dist-$target/gstboot
      # Static: qemu needs no library root (-L), and none is given, so a
      # binary that needed one would fail here.
      { static_elf "$out" && qemu-aarch64 "$out" --version &&
        scripts/goldencheck.sh "$target" "$out" qemu-aarch64; } || reject "$out"
      ;;
    windows-x86_64)
      out=dist/gstboot-windows-x86_64.exe
      # The port's toolchain file links statically.
      build "$target" -DCMAKE_TOOLCHAIN_FILE="$PWD/$windows_toolchain"
      x86_64-w64-mingw32-strip -o "$out" build-dist-$target/gstboot.exe
      # A wine prefix of its own under the build folder, no debug chatter,
      # and no offer to install .NET or a browser engine on its first start.
      export WINEPREFIX=$PWD/build-dist-$target/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
      { static_pe "$out" && wine "$out" --version &&
        scripts/goldencheck.sh "$target" "$out" wine; } || reject "$out"
      # The wine server of this prefix outlives the runs; end it.
      wineserver -k || true
      unset WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
      ;;
  esac
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "dist: FAILED, removed: ${failed[*]}" >&2
  exit 1
fi
echo "dist: ok"
ls -l dist
