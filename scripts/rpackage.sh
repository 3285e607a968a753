#!/usr/bin/env bash
# Assembles the R package's source tarball, dist/gstboot_VERSION.tar.gz:
# r/ with the core's sources copied into its src/ (the command line's
# main() left out), the example studies as its bundled data, and the
# project version (CMakeLists.txt) as the package's.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(gstboot VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "rpackage: no project version in CMakeLists.txt" >&2; exit 1; }
stage=build/rpackage
pkg=$stage/gstboot
rm -rf "$stage"
mkdir -p "$pkg" dist
cp -R r/. "$pkg/"
sed "s/@VERSION@/$version/" r/DESCRIPTION.in > "$pkg/DESCRIPTION"
rm "$pkg/DESCRIPTION.in"

# The core's folders are the rows of README.md's folder table, which the
# build reads too.
folders=$(sed -n 's/^| `src\/\([a-z]*\)` |.*/\1/p' README.md | tr '\n' ' ')
[ -n "$folders" ] || { echo "rpackage: no folder table in README.md" >&2; exit 1; }
for f in $folders; do cp -R "src/$f" "$pkg/src/$f"; done
rm "$pkg/src/driver/main.cpp"

# The objects of one platform: every source of the core but the other
# platform's system folder and the command line's run with its output
# files and signal handlers, which write to the standard streams and end
# the process (posix; Windows's file names need its signal code).
objects() {
  local skip=(-path driver/run.cpp)
  [ "$1" = windows ] && skip+=(-o -path system/outputs.cpp -o -path system/outfile.cpp -o -path system/signals.cpp
                               -o -path system/posix/signals.cpp)
  (cd "$pkg/src" && find $folders -name '*.cpp' ! -path "system/$1/*" ! \( "${skip[@]}" \) | LC_ALL=C sort |
     sed 's/\.cpp$/.o/' | tr '\n' ' ')
}
sed -e "s|@VERSION@|$version|" -e "s|@OBJECTS@|$(objects windows)|" \
    -e "s|@PLATFORM_CXXFLAGS@||" -e "s|@PLATFORM_LIBS@||" r/src/Makevars.in > "$pkg/src/Makevars.in"
# Windows's toolchain is GCC: the flags that configure checks elsewhere
# are given as they are.
# Windows builds without configure: zlib left out, doubles in SSE2 on 32-bit.
sed -e "s|@VERSION@|$version|" -e "s|@OBJECTS@|$(objects posix)|" -e "s|@ZLIB_CPPFLAGS@||" -e "s|@ZLIB_LIBS@||" \
    -e "s|@EXACT_CXXFLAGS@|-ffp-contract=off -fno-fast-math|" \
    -e "s|@PLATFORM_CXXFLAGS@|-D__USE_MINGW_ANSI_STDIO=1|" -e "s|@PLATFORM_LIBS@|-lshell32|" \
    r/src/Makevars.in > "$pkg/src/Makevars.win"

mkdir -p "$pkg/inst/extdata/genepop" "$pkg/inst/extdata/legacy"
cp examples/genepop/MHCdata.gen examples/genepop/MICdata.gen examples/genepop/table.tsv "$pkg/inst/extdata/genepop/"
cp examples/MHCdata.txt examples/MICdata.txt examples/table.tsv "$pkg/inst/extdata/legacy/"

tarball=dist/gstboot_$version.tar.gz
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime='2000-01-01 00:00Z' -czf "$tarball" gstboot
echo "rpackage: $tarball"
