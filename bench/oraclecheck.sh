#!/usr/bin/env bash
# End-to-end check of the fast scorer against the plain one (--reference)
# on studies past every limit of the legacy layout: the whole program runs
# each study twice with the same seed and options, and standard output, the
# report and the table must be the same bytes. Not part of the test suite:
# the plain scorer is slow.
#
#   big      60 populations of 250 individuals, 14 MHC copies (a table),
#            80 loci, the first of 400 alleles (GENEPOP), nothing missing
#   missing  the same shape with 3% of the MIC genotypes untyped (a table),
#            correction on, loci resampled; 8 populations by default
#   snp      2,000 biallelic SNPs of 30 populations of 40 as a VCF with its
#            population map, beside a GENEPOP MHC file (bench/snpstudy.py)
#
# Duration, 1 thread, processor time on the development machine (figures
# in bench/RESULTS.md): the plain scorer takes about 7 s per population
# pair of the big and missing studies and 12.5 s per pair of the SNP study,
# so the defaults take about 3.4 hours (big: 1,770 pairs), 3 minutes
# (missing: 28 pairs) and 1.5 hours (SNP: 435 pairs); each fast run takes
# under 30 s. ORACLE_POPS, ORACLE_MISSING_POPS and ORACLE_SNP_POPS set the
# populations of each study, so that a check fits the time at hand.
#
#   ./bench/oraclecheck.sh                  # big, missing, snp
#   ORACLE_POPS=20 ORACLE_SNP_POPS=8 ./bench/oraclecheck.sh big snp
# Environment: GSTBOOT (the program, default build/gstboot), ORACLE_DIR
# (work folder, default build/oracle), ORACLE_THREADS (default 1).
set -euo pipefail
cd "$(dirname "$0")/.."
exe=$(realpath "${GSTBOOT:-build/gstboot}")
work=${ORACLE_DIR:-build/oracle}
threads=${ORACLE_THREADS:-1}
bigpops=${ORACLE_POPS:-60}
misspops=${ORACLE_MISSING_POPS:-8}
snppops=${ORACLE_SNP_POPS:-30}
read -r -a studies <<<"${*:-big missing snp}"
mkdir -p "$work"

# check DIR NAME ARGS...: the program in DIR, fast then plain, with ARGS;
# prints one Markdown row of times and memory and fails on a difference.
check() {
  local dir=$1 name=$2 how f
  shift 2
  for how in fast reference; do
    local extra=()
    [ $how = reference ] && extra=(--reference)
    (cd "$dir" && /usr/bin/time -f "%e %U %M" -o "time-$how.txt" "$exe" --seed 20261210 --threads "$threads" \
      --neutral-draws 0 "$@" "${extra[@]}" --output "output-$how.txt" --table "table-$how.tsv" \
      >"stdout-$how.txt" 2>"stderr-$how.txt") || { echo "$name: the $how run failed:" >&2; cat "$dir/stderr-$how.txt" >&2; exit 1; }
  done
  local same=yes
  for f in stdout output table; do
    local ext=txt
    [ $f = table ] && ext=tsv
    if ! cmp "$dir/$f-fast.$ext" "$dir/$f-reference.$ext" >&2; then
      echo "$name: $f differs between the fast and the plain scorer ($dir/$f-fast.$ext, $dir/$f-reference.$ext)" >&2
      same=no
    fi
  done
  read -r fw fu fm <"$dir/time-fast.txt"
  read -r rw ru rm <"$dir/time-reference.txt"
  printf "| %s | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %s |\n" "$name" "$fw" "$fu" "$(echo "$fm/1024" | bc -l)" \
    "$rw" "$ru" "$(echo "$rm/1024" | bc -l)" "$same"
  [ $same = yes ] || { echo "FAILED: $name" >&2; exit 1; }
}

echo "| study | fast wall s | fast CPU s | fast MiB | plain wall s | plain CPU s | plain MiB | same bytes |"
echo "|---|---:|---:|---:|---:|---:|---:|---|"
for s in "${studies[@]}"; do
  case $s in
    big)
      dir=$work/big$bigpops
      [ -f "$dir/MICdata.gen" ] || python3 bench/oraclestudy.py "$dir" "$bigpops" 250 80 400 14 0 gen 1
      check "$dir" "big, $bigpops populations" --mhc MHCdata.tsv --mic MICdata.gen ;;
    missing)
      dir=$work/missing$misspops
      [ -f "$dir/MICdata.tsv" ] || python3 bench/oraclestudy.py "$dir" "$misspops" 250 80 400 14 0.03 tsv 2
      check "$dir" "missing, $misspops populations" --mhc MHCdata.tsv --mic MICdata.tsv --correction on \
        --resample mhc,mic,loci ;;
    snp)
      dir=$work/snp$snppops
      [ -f "$dir/pops.tsv" ] || python3 bench/snpstudy.py "$dir" "$snppops" 40 2000 0.02 1
      check "$dir" "SNP, $snppops populations" --mhc MHCdata.gen --mic MICdata.vcf --popmap pops.tsv ;;
    *) echo "unknown study '$s': big, missing or snp" >&2; exit 2 ;;
  esac
done
echo "every study gave the same bytes with both scorers"
