#!/usr/bin/env bash
# Benchmark: three generated studies, each run under every kernel set the
# machine has (GSTBOOT_ISA, back to back so that the sets meet the same
# load), with 1 thread and with all threads, and the reference scoring on
# the medium one; these runs leave the neutral test out (--neutral-draws 0),
# so that they time the scoring. Then each study with and without the
# neutral test (its default draws), with the widest kernels.
# Prints Markdown tables of wall times, peak memory and ratios, and checks
# that every run writes the same report.
#   BENCH_ISAS="avx2 baseline" ./bench/run.sh   # only these sets
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

# The kernel sets the processor runs, widest first.
isas() {
  case $(uname -m) in
    x86_64)
      grep -qw avx512f /proc/cpuinfo && echo avx512
      grep -qw avx2 /proc/cpuinfo && echo avx2
      echo baseline ;;
    aarch64) echo neon ;;
    *) echo baseline ;;
  esac
}
read -r -a sets <<<"${BENCH_ISAS:-$(isas | tr '\n' ' ')}"

# measure DIR ISA ARGS... -> "seconds peakKiB"
measure() {
  local dir=$1 isa=$2; shift 2
  local t0 t1 mem
  t0=$(date +%s.%N)
  ( cd "$dir" && GSTBOOT_ISA=$isa /usr/bin/time -f "%M" -o time.txt "$OLDPWD/$exe" --seed 1 --output bench-output.txt --timing "$@" >/dev/null 2>stderr.txt )
  t1=$(date +%s.%N)
  mem=$(tail -n 1 "$dir/time.txt")
  echo "$(echo "$t1 - $t0" | bc -l) $mem"
}

# phase DIR NAME -> the wall seconds of that phase of the last run in DIR
# (its --timing line), or "-" when it did not run.
phase() {
  local t
  t=$(grep '^time:' "$1/stderr.txt" | tr ',' '\n' | sed -n "s/^ *\(time: \)\{0,1\}$2 \([0-9.]*\) s$/\2/p")
  echo "${t:--}"
}

same() {  # DIR WHAT: the last report against the first run's
  cmp -s "$1/one.txt" "$1/bench-output.txt" || { echo "output differs on $(basename "$1"): $2" >&2; exit 1; }
}

echo "| study | kernels | threads | wall s | peak MiB | vs ${sets[0]} | speed-up vs 1 thread |"
echo "|---|---|---:|---:|---:|---:|---:|"
for s in medium large largest; do
  dir=$work/$s
  first=1
  for isa in "${sets[@]}"; do
    read -r t1 m1 < <(measure "$dir" "$isa" --threads 1 --neutral-draws 0)
    if [ $first = 1 ]; then cp "$dir/bench-output.txt" "$dir/one.txt"; else same "$dir" "$isa, 1 thread"; fi
    read -r tn mn < <(measure "$dir" "$isa" --threads "$threads" --neutral-draws 0)
    same "$dir" "$isa, $threads threads"
    if [ $first = 1 ]; then base1=$t1 basen=$tn; first=0; fi
    printf "| %s | %s | 1 | %.3f | %.1f | %.2f | 1.00 |\n" "$s" "$isa" "$t1" "$(echo "$m1/1024" | bc -l)" "$(echo "$t1/$base1" | bc -l)"
    printf "| %s | %s | %d | %.3f | %.1f | %.2f | %.2f |\n" "$s" "$isa" "$threads" "$tn" "$(echo "$mn/1024" | bc -l)" "$(echo "$tn/$basen" | bc -l)" "$(echo "$t1/$tn" | bc -l)"
  done
  if [ "$s" = medium ]; then
    read -r tr mr < <(measure "$dir" "" --reference --neutral-draws 0)
    same "$dir" "reference scoring"
    printf "| %s | reference | 1 | %.3f | %.1f | | engine (%s) is %.0fx faster, 1 thread |\n" "$s" "$tr" "$(echo "$mr/1024" | bc -l)" "${sets[0]}" "$(echo "$tr/$base1" | bc -l)"
  fi
done

# Missing genotypes: the largest study with 3% of its MIC genotypes missing
# at random, read as a table, against the complete study, with the widest
# kernels and the same settings as the complete study's headers.
dir=$work/largest
[ -f "$dir/MICmissing.tsv" ] || python3 bench/tomissing.py "$dir" "$dir/MICmissing.tsv" 0.03 7 2>/dev/null
echo
echo "| study | MIC genotypes | threads | wall s | peak MiB | vs complete |"
echo "|---|---|---:|---:|---:|---:|"
for n in 1 "$threads"; do
  read -r tc mc < <(measure "$dir" "${sets[0]}" --threads "$n" --neutral-draws 0)
  read -r tm mm < <(measure "$dir" "${sets[0]}" --threads "$n" --neutral-draws 0 --mic MICmissing.tsv --correction on --resample mhc,mic,loci)
  printf "| largest | complete | %d | %.3f | %.1f | 1.00 |\n" "$n" "$tc" "$(echo "$mc/1024" | bc -l)"
  printf "| largest | 3%% missing | %d | %.3f | %.1f | %.2f |\n" "$n" "$tm" "$(echo "$mm/1024" | bc -l)" "$(echo "$tm/$tc" | bc -l)"
done

# The neutral test: each study without it and with it (its default draws),
# the widest kernels, 1 thread and all threads; the report must not change.
# The phases are those of the run with the test, as --timing gives them.
echo
echo "| study | threads | without test s | with test s | with / without | reading s | replicates s | neutral test s | writing s |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|"
for s in medium large largest; do
  dir=$work/$s
  for n in 1 "$threads"; do
    read -r t0 m0 < <(measure "$dir" "${sets[0]}" --threads "$n" --neutral-draws 0)
    # The studies' MHC loci have 4 to 10 copies: the test runs on them only
    # as one gene's.
    read -r t5 m5 < <(measure "$dir" "${sets[0]}" --threads "$n" --polyploid)
    same "$dir" "with the neutral test, $n threads"
    printf "| %s | %d | %.3f | %.3f | %.2f | %s | %s | %s | %s |\n" "$s" "$n" "$t0" "$t5" "$(echo "$t5/$t0" | bc -l)" \
      "$(phase "$dir" reading)" "$(phase "$dir" replicates)" "$(phase "$dir" "neutral test")" "$(phase "$dir" writing)"
  done
done

# SNP panels: bench/snp.sh (1,000 and 10,000 SNPs, GENEPOP and VCF).
echo
./bench/snp.sh
