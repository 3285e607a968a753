#!/usr/bin/env bash
# The SNP study: 30 populations of 40 individuals, biallelic SNPs with 2% of
# genotypes missing, beside one MHC locus of 2 copies and 20 alleles
# (bench/snpstudy.py). Run at 1,000 and at 10,000 SNPs, read once as GENEPOP
# and once as VCF (the same calls), with 2 threads, without the neutral test
# and with it (its default draws). Prints a Markdown table of wall times,
# peak memory and time per SNP of the default run, and checks that the test
# leaves the report alone and that both readings give the same report.
#   ./bench/snp.sh            # 1000 and 10000 SNPs
#   SNPS="1000" ./bench/snp.sh
set -euo pipefail
cd "$(dirname "$0")/.."
exe=${GSTBOOT:-build/gstboot}
work=${BENCH_DIR:-build/bench}
read -r -a counts <<<"${SNPS:-1000 10000}"

echo "| SNPs | read as | threads | without test s | with test s | peak MiB | ms per SNP | with / without | reading s | replicates s | neutral test s |"
echo "|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
# timed DIR OUTPUT ARGS... -> "seconds peakMiB"
timed() {
  local dir=$1 out=$2; shift 2
  local t0 t1
  t0=$(date +%s.%N)
  ( cd "$dir" && /usr/bin/time -f "%M" -o time.txt "$OLDPWD/$exe" --seed 1 --threads 2 --mhc MHCdata.gen \
      --output "$out" --timing "$@" >/dev/null 2>stderr.txt )
  t1=$(date +%s.%N)
  echo "$(echo "$t1 - $t0" | bc -l) $(echo "$(tail -n 1 "$dir/time.txt")/1024" | bc -l)"
}
# phase DIR NAME -> that phase's wall seconds in the last run's --timing line
phase() {
  local t
  t=$(grep '^time:' "$1/stderr.txt" | tr ',' '\n' | sed -n "s/^ *\(time: \)\{0,1\}$2 \([0-9.]*\) s$/\2/p")
  echo "${t:--}"
}
for n in "${counts[@]}"; do
  dir=$work/snp$n
  [ -f "$dir/pops.tsv" ] || python3 bench/snpstudy.py "$dir" 30 40 "$n" 0.02 1
  for how in genepop vcf; do
    if [ $how = genepop ]; then mic=(--mic MICdata.gen); else mic=(--mic MICdata.vcf --popmap pops.tsv); fi
    read -r t0 m0 < <(timed "$dir" "out-$how.txt" "${mic[@]}" --neutral-draws 0)
    read -r t1 m1 < <(timed "$dir" "test-$how.txt" "${mic[@]}")
    cmp -s "$dir/out-$how.txt" "$dir/test-$how.txt" || { echo "the neutral test changed the report at $n SNPs" >&2; exit 1; }
    peak=$(echo "if ($m1 > $m0) $m1 else $m0" | bc -l)
    printf "| %d | %s | 2 | %.2f | %.2f | %.1f | %.2f | %.2f | %s | %s | %s |\n" "$n" "$how" "$t0" "$t1" "$peak" \
      "$(echo "1000 * $t1 / $n" | bc -l)" "$(echo "$t1 / $t0" | bc -l)" \
      "$(phase "$dir" reading)" "$(phase "$dir" replicates)" "$(phase "$dir" "neutral test")"
  done
  cmp -s "$dir/out-genepop.txt" "$dir/out-vcf.txt" || { echo "GENEPOP and VCF reports differ at $n SNPs" >&2; exit 1; }
done
