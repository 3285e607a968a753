#!/usr/bin/env bash
# Builds gstboot.exe for Windows x86-64 with mingw-w64 and runs it under
# wine: every golden case must be byte-identical, and a table of cases where
# Windows differs most from Linux (replacing a file, error messages, inputs
# read in binary, non-ASCII names, the NUL device, a full disk, an
# interrupt) must end as the Linux build ends them. One line per check; the
# status is non-zero on any failure. Needs g++-mingw-w64-x86-64-posix and
# wine.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build-windows}
linuxbuild=${LINUX_BUILD:-build}

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DGSTBOOT_TESTS=OFF >/dev/null || exit 1
cmake --build "$build" -j "${JOBS:-2}" --target gstboot >/dev/null || exit 1
if [ ! -x "$linuxbuild/gstboot" ]; then
  { cmake -S . -B "$linuxbuild" >/dev/null && cmake --build "$linuxbuild" -j "${JOBS:-2}" --target gstboot >/dev/null; } ||
    exit 1
fi
winexe=$(cd "$build" && pwd)/gstboot.exe
linuxexe=$(cd "$linuxbuild" && pwd)/gstboot

# A prefix of its own, made quietly on the first start (which is slow); the
# UTF-8 locale is the one wine reads command lines and file names in.
export WINEDEBUG=-all WINEPREFIX="$PWD/$build/wineprefix" LC_ALL=C.UTF-8
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1
wine "$winexe" --version | head -n 1

failed=0
scripts/goldencheck.sh windows "$winexe" wine || failed=$((failed + 1))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
inputs=tests/data/golden/small-boot

# How a case's folder starts: the inputs of one golden case, changed.
prepare() {
  local dir=$1 setup=$2
  mkdir -p "$dir"
  cp "$inputs/MHCdata.txt" "$inputs/MICdata.txt" "$dir/"
  case $setup in
    plain) ;;
    badtoken) sed -i '3s/298 298/298 2x8/' "$dir/MHCdata.txt" ;;
    truncated) head -c 300 "$inputs/MHCdata.txt" >"$dir/MHCdata.txt" ;;
    # Text mode on Windows would stop reading there, as at an end of file.
    ctrlz) sed -i $'4s/48 187/48 1\x1a87/' "$dir/MHCdata.txt" ;;
    folder) mkdir "$dir/sub" ;;
    previous) echo "a previous report" >"$dir/output.txt" ;;
    nonascii) mv "$dir/MHCdata.txt" "$dir/données_é.txt" ;;
    # A simulated study with 20 loci, where the neutral test places every pair.
    simulated) cp tests/data/sim/island_1/mic.gen tests/data/sim/island_1/mhc_divergent.gen "$dir/" ;;
    *) echo "unknown setup $setup" >&2; exit 2 ;;
  esac
}

# Runs one build in a case's folder, `runs` times, keeping the last run's
# console text and status beside the folder.
runin() {
  local dir=$1 runs=$2 exe=$3
  shift 3
  local status=0 k
  for ((k = 0; k < runs; ++k)); do
    status=0
    (cd "$dir" && "$exe" "$@" >"$dir.stdout" 2>"$dir.stderr") || status=$?
  done
  echo "$status" >"$dir.status"
}

# The message without the system's own text after "cannot <verb> <path>: ".
withoutreason() { sed -E 's/^(gstboot: cannot [^:]+): .*/\1/' "$1"; }

# The folder's files, then the content of each.
# (cmp stops reading at the first difference: the rest is not wanted.)
folderbytes() { (cd "$1" && ls -A && find . -type f -exec sh -c 'printf "%s\n" "$1"; cat "$1"' _ {} \;) 2>/dev/null; }

# name            setup     runs  messages  arguments (@NULL@: the null device,
#                                           @FULL@: Linux's always-full one,
#                                           which wine reaches as Z:/dev/full)
cases=(
  "second-run      plain     2     exact     --seed 42"
  "missing-folder  plain     1     reason    --seed 42 --table nofolder/t.txt"
  "input-clash     plain     1     exact     --seed 42 --output MHCdata.txt"
  "bad-token       badtoken  1     exact     --seed 42"
  "truncated       truncated 1     exact     --seed 42"
  "ctrl-z-byte     ctrlz     1     exact     --seed 42"
  "missing-input   plain     1     exact     --seed 42 --mhc absent.txt"
  "folder-input    folder    1     exact     --seed 42 --mhc sub"
  "non-ascii-names nonascii  1     exact     --seed 42 --mhc données_é.txt --output résultat.txt"
  "null-device     plain     1     exact     --seed 42 --output @NULL@ --table @NULL@"
  "table-and-plot  plain     1     exact     --seed 42 --table table.txt --plot figure.svg"
  "neutral-test    simulated 1     exact     --seed 42 --correction off --mhc mhc_divergent.gen --mic mic.gen --table table.txt --plot figure.svg --heatmap heatmap.svg --threads 3"
  "full-disk       previous  1     device    --seed 42 --table @FULL@"
)
for row in "${cases[@]}"; do
  read -r name setup runs messages rest <<<"$row"
  read -r -a args <<<"$rest"
  lin=$work/linux-$name
  win=$work/windows-$name
  prepare "$lin" "$setup"
  prepare "$win" "$setup"
  linargs=("${args[@]//@NULL@//dev/null}")
  winargs=("${args[@]//@NULL@/NUL}")
  runin "$lin" "$runs" "$linuxexe" "${linargs[@]//@FULL@//dev/full}"
  runin "$win" "$runs" wine "$winexe" "${winargs[@]//@FULL@/Z:/dev/full}"
  problems=()
  [ "$(cat "$lin.status")" = "$(cat "$win.status")" ] || problems+=("status $(cat "$win.status"), Linux $(cat "$lin.status")")
  cmp -s "$lin.stdout" "$win.stdout" || problems+=("standard output differs")
  if [ "$messages" = exact ]; then
    cmp -s "$lin.stderr" "$win.stderr" || problems+=("messages differ")
  elif [ "$messages" = device ]; then
    cmp -s "$lin.stderr" <(sed 's#Z:/dev/full#/dev/full#' "$win.stderr") || problems+=("messages differ")
  else
    cmp -s <(withoutreason "$lin.stderr") <(withoutreason "$win.stderr") || problems+=("messages differ")
  fi
  # The same files, with the same bytes: a replaced report, and no
  # temporary file left behind.
  cmp -s <(folderbytes "$lin") <(folderbytes "$win") || problems+=("files differ")
  if LC_ALL=C grep -qr $'\r' "$win.stdout" "$win"; then problems+=("a CR byte was written"); fi
  if [ ${#problems[@]} -eq 0 ]; then
    echo "windows: $name: as on Linux (status $(cat "$win.status"); $(grep -v "^Try " "$win.stderr" | tail -n 1 | cut -c1-64))"
  else
    joined=$(printf '%s; ' "${problems[@]}")
    echo "windows: $name: FAILED: ${joined%; }"
    sed 's/^/  windows: /' "$win.stderr" | head -n 3
    sed 's/^/  linux:   /' "$lin.stderr" | head -n 3
    failed=$((failed + 1))
  fi
done

# An interrupt well inside the replicates: wine hands a SIGINT to the
# program as a Ctrl-C console event. The slowest golden case, scored the
# slow way and with the neutral test on its ten copies (--polyploid), so
# that the run lasts long enough to be hit.
interrupt() {
  local dir=$1
  shift
  mkdir -p "$dir"
  cp tests/data/golden/ten-copies/MHCdata.txt tests/data/golden/ten-copies/MICdata.txt "$dir/"
  echo "a previous report" >"$dir/output.txt"
  local seed
  seed=$(cat tests/data/golden/ten-copies/seed)
  (cd "$dir" && exec "$@" --reference --polyploid --seed "$seed" >"$dir.stdout" 2>/dev/null) &
  local pid=$! k status=0
  # "    9": at least one hundred replicates done.
  local reached=no
  for ((k = 0; k < 300; ++k)); do
    if grep -q "    9" "$dir.stdout" 2>/dev/null; then reached=yes; break; fi
    sleep 0.1
  done
  echo "$reached" >"$dir.reached"
  kill -INT "$pid" 2>/dev/null
  wait "$pid" || status=$?
  echo "$status" >"$dir.status"
}
interrupt "$work/linux-interrupt" "$linuxexe"
interrupt "$work/windows-interrupt" wine "$winexe"
# Interrupted, not failed: the report the run began with is still there.
if [ "$(cat "$work/linux-interrupt.status")" = "$(cat "$work/windows-interrupt.status")" ] &&
   [ "$(cat "$work/windows-interrupt/output.txt")" = "a previous report" ] &&
   [ "$(cat "$work/linux-interrupt.reached" "$work/windows-interrupt.reached")" = "$(printf 'yes\nyes')" ] &&
   cmp -s <(folderbytes "$work/linux-interrupt") <(folderbytes "$work/windows-interrupt"); then
  echo "windows: ctrl-c: as on Linux (status $(cat "$work/windows-interrupt.status"); no temporary file left, previous report kept)"
else
  echo "windows: ctrl-c: FAILED: status $(cat "$work/windows-interrupt.status"), Linux" \
    "$(cat "$work/linux-interrupt.status"); countdown reached: $(cat "$work/windows-interrupt.reached");" \
    "files: $(ls -A "$work/windows-interrupt" | tr '\n' ' ')"
  failed=$((failed + 1))
fi

if [ "$failed" -eq 0 ]; then echo "windows: every check passed"; else echo "windows: $failed check(s) FAILED"; fi
[ "$failed" -eq 0 ]
