#!/usr/bin/env bash
# Builds the fuzz targets with clang++ and runs each for SECONDS (default
# 60): the readers', seeded with the golden inputs (legacy kinds), the
# examples (GENEPOP), and the writers' (outputs); each also with every input
# kept in tests/data/fuzz-regressions. Exits 1 on any finding (crash, hang, leak,
# memory blow-up, broken contract) and copies each finding into
# tests/data/fuzz-regressions/<kind>/, where the test suite replays it: commit
# it with the fix.
#
#   fuzz/run.sh [SECONDS]   FUZZ_BUILD=folder (default build-fuzz),
#                           FUZZ_CXX=compiler (default clang++-14, else clang++)
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
regress=$root/tests/data/fuzz-regressions

cxx=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}
CXX=$cxx cmake -S "$root/fuzz" -B "$build" >/dev/null
cmake --build "$build" -j "${JOBS:-2}" >/dev/null

status=0
for kind in mhc mic genepop table genalex structure outputs; do
  seeds=$build/seeds/$kind corpus=$build/corpus/$kind artifacts=$build/artifacts/$kind
  rm -rf "$seeds" "$artifacts"
  mkdir -p "$seeds" "$corpus" "$artifacts" "$regress/$kind"
  dict=$root/fuzz/reader.dict
  if [ "$kind" = outputs ]; then
    dict=
  elif [ "$kind" != mhc ] && [ "$kind" != mic ]; then
    dict=$root/fuzz/formats.dict
    # The dialects of the test study, each as MIC, its format told from
    # the content (the leading byte's second bit).
    for f in "$root"/tests/data/dialects/MIC*; do
      [ -e "$f" ] || continue
      { printf '\003'; cat "$f"; } > "$seeds/$(basename "$f")"
    done
    if [ "$kind" = genepop ]; then
      # One leading byte says which data set the file holds: 0 MHC, 1 MIC.
      for f in "$root"/examples/genepop/*.gen; do
        case $(basename "$f") in MHC*) role='\000' ;; *) role='\001' ;; esac
        { printf "$role"; cat "$f"; } > "$seeds/$(basename "$f")"
      done
    fi
  fi
  for case in "$root"/tests/data/golden/*/; do
    [ "$kind" = mhc ] || [ "$kind" = mic ] || break
    name=$(basename "$case")
    if [ "$kind" = mhc ]; then
      cp "$case/MHCdata.txt" "$seeds/$name"
    else
      # An MIC input starts with one byte: the population count of its MHC file.
      npop=$(awk '{ print $1; exit }' "$case/MHCdata.txt")
      { printf "\\$(printf %03o "$npop")"; cat "$case/MICdata.txt"; } > "$seeds/$name"
    fi
  done
  find "$regress/$kind" -type f ! -name '*.md' -exec cp {} "$seeds/" \;

  log=$build/fuzz-$kind.log
  set +e
  "$build/fuzz_$kind" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=70000 \
    ${dict:+-dict="$dict"} -artifact_prefix="$artifacts/" -print_final_stats=1 \
    "$corpus" "$seeds" >"$log" 2>&1
  rc=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "fuzz_$kind: ${runs:-?} executions in ${seconds} s, exit $rc"
  found=0
  for f in "$artifacts"/*; do
    [ -e "$f" ] || continue
    case $(basename "$f") in slow-unit-*) continue ;; esac
    cp "$f" "$regress/$kind/"
    echo "fuzz_$kind: finding kept as tests/data/fuzz-regressions/$kind/$(basename "$f")"
    found=1
  done
  if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
    tail -40 "$log"
    status=1
  fi
done
exit $status
