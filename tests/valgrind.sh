#!/bin/sh
# Runs the program under valgrind memcheck on a small golden case (and on a
# failing input), in a scratch folder. Exits 77, which ctest counts as
# skipped, when valgrind is not installed.
#   valgrind.sh EXE TESTDATA
set -eu
exe=$1 data=$2
command -v valgrind >/dev/null 2>&1 || { echo "valgrind not installed"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$data/golden/worked-example/MHCdata.txt" "$data/golden/worked-example/MICdata.txt" "$dir/"
vg="valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect -q"
cd "$dir"
$vg "$exe" --seed "$(cat "$data/golden/worked-example/seed")" >stdout.txt
cmp stdout.txt "$data/golden/worked-example/stdout.txt"
cmp output.txt "$data/golden/worked-example/output.txt"
printf '1 1 0 0 1 x\n' >MHCdata.txt
set +e
$vg "$exe" --seed 1 >/dev/null 2>err.txt
rc=$?
set -e
[ "$rc" -eq 1 ] || { cat err.txt; echo "expected status 1, got $rc"; exit 1; }
echo "memcheck clean"
