#!/usr/bin/env python3
"""Writes a benchmark study's MIC data set as a table with genotypes missing.

Reads OUTDIR/../MICdata.txt-style legacy input (the first argument) and the
population count from its MHC file, and writes a tab-separated table in
which each (individual, locus) genotype is missing (NA NA) with probability
RATE. Deterministic for a given seed.

usage: tomissing.py STUDYDIR OUTFILE RATE SEED
"""
import random
import sys


def main():
    study, out, rate, seed = sys.argv[1], sys.argv[2], float(sys.argv[3]), int(sys.argv[4])
    rng = random.Random(seed)
    npop = int(open(f"{study}/MHCdata.txt").read().split()[0])
    values = open(f"{study}/MICdata.txt").read().split()
    nloci = int(values[0])
    sizes = [int(v) for v in values[3:3 + npop]]
    codes = values[3 + npop:]
    header = ["population", "individual"]
    for l in range(nloci):
        header += [f"L{l + 1}_1", f"L{l + 1}_2"]
    at = 0
    missing = 0
    with open(out, "w") as f:
        f.write("\t".join(header) + "\n")
        for p in range(npop):
            for i in range(sizes[p]):
                row = [f"P{p + 1}", f"P{p + 1}-{i + 1}"]
                for l in range(nloci):
                    a, b = codes[at], codes[at + 1]
                    at += 2
                    if rng.random() < rate:
                        a = b = "NA"
                        missing += 1
                    row += [a, b]
                f.write("\t".join(row) + "\n")
    print(f"{missing} of {sum(sizes) * nloci} genotypes missing", file=sys.stderr)


if __name__ == "__main__":
    main()
