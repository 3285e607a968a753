#!/usr/bin/env bash
# The SNP study: 30 populations of 40 individuals, biallelic SNPs with 2% of
# genotypes missing, beside one MHC locus of 2 copies and 20 alleles
# (bench/snpstudy.py). Run at 1,000 and at 10,000 SNPs, read once as GENEPOP
# and once as VCF (the same calls), with 2 threads and the neutral test
# left out, so that the time is the reading and the scoring. Prints a
# Markdown table of wall time, peak memory and time per SNP, and checks that
# both readings give the same report.
#   ./bench/snp.sh            # 1000 and 10000 SNPs
#   SNPS="1000" ./bench/snp.sh
set -euo pipefail
cd "$(dirname "$0")/.."
exe=${GSTBOOT:-build/gstboot}
work=${BENCH_DIR:-build/bench}
read -r -a counts <<<"${SNPS:-1000 10000}"

echo "| SNPs | read as | threads | wall s | peak MiB | ms per SNP |"
echo "|---:|---|---:|---:|---:|---:|"
for n in "${counts[@]}"; do
  dir=$work/snp$n
  [ -f "$dir/pops.tsv" ] || python3 bench/snpstudy.py "$dir" 30 40 "$n" 0.02 1
  for how in genepop vcf; do
    if [ $how = genepop ]; then mic=(--mic MICdata.gen); else mic=(--mic MICdata.vcf --popmap pops.tsv); fi
    t0=$(date +%s.%N)
    ( cd "$dir" && /usr/bin/time -f "%M" -o time.txt "$OLDPWD/$exe" --seed 1 --threads 2 --neutral-draws 0 \
        --mhc MHCdata.gen "${mic[@]}" --output "out-$how.txt" >/dev/null 2>/dev/null )
    t1=$(date +%s.%N)
    t=$(echo "$t1 - $t0" | bc -l)
    printf "| %d | %s | 2 | %.2f | %.1f | %.2f |\n" "$n" "$how" "$t" "$(echo "$(tail -n 1 "$dir/time.txt")/1024" | bc -l)" \
      "$(echo "1000 * $t / $n" | bc -l)"
  done
  cmp -s "$dir/out-genepop.txt" "$dir/out-vcf.txt" || { echo "GENEPOP and VCF reports differ at $n SNPs" >&2; exit 1; }
done
