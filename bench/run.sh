#!/usr/bin/env bash
# Benchmark: three generated studies, each run with 1 thread and with all
# threads, and the reference scoring on the medium one. Prints a Markdown
# table of wall times, peak memory and speed-ups.
set -euo pipefail
cd "$(dirname "$0")/.."
exe=${GSTBOOT:-build/gstboot}
work=${BENCH_DIR:-build/bench}
threads=$(nproc)
mkdir -p "$work"

gen() {  # name npop nmin nmax copies mhcalleles nloci locusalleles
  [ -f "$work/$1/MICdata.txt" ] || python3 bench/gendata.py "$work/$1" "$2" "$3" "$4" "$5" "$6" "$7" "$8" 1
}
gen medium 12 30 50 4 40 15 15
gen large 30 80 120 6 80 30 25
gen largest 50 200 200 10 120 50 30

# measure DIR ARGS... -> "seconds peakKiB"
measure() {
  local dir=$1; shift
  local t0 t1 mem
  t0=$(date +%s.%N)
  ( cd "$dir" && /usr/bin/time -f "%M" -o time.txt "$OLDPWD/$exe" --seed 1 --output bench-output.txt "$@" >/dev/null 2>/dev/null )
  t1=$(date +%s.%N)
  mem=$(tail -n 1 "$dir/time.txt")
  echo "$(echo "$t1 - $t0" | bc -l) $mem"
}

echo "| study | scoring | threads | wall s | peak MiB | speed-up vs 1 thread |"
echo "|---|---|---:|---:|---:|---:|"
for s in medium large largest; do
  read -r t1 m1 < <(measure "$work/$s" --threads 1)
  cp "$work/$s/bench-output.txt" "$work/$s/one.txt"
  read -r tn mn < <(measure "$work/$s" --threads "$threads")
  cmp -s "$work/$s/one.txt" "$work/$s/bench-output.txt" || { echo "output differs between thread counts on $s" >&2; exit 1; }
  printf "| %s | engine | 1 | %.3f | %.1f | 1.00 |\n" "$s" "$t1" "$(echo "$m1/1024" | bc -l)"
  printf "| %s | engine | %d | %.3f | %.1f | %.2f |\n" "$s" "$threads" "$tn" "$(echo "$mn/1024" | bc -l)" "$(echo "$t1/$tn" | bc -l)"
  if [ "$s" = medium ]; then
    read -r tr mr < <(measure "$work/$s" --reference)
    cmp -s "$work/$s/one.txt" "$work/$s/bench-output.txt" || { echo "reference output differs on $s" >&2; exit 1; }
    printf "| %s | reference | 1 | %.3f | %.1f | engine is %.0fx faster (1 thread) |\n" "$s" "$tr" "$(echo "$mr/1024" | bc -l)" "$(echo "$tr/$t1" | bc -l)"
  fi
done
