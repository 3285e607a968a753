#!/usr/bin/env python3
"""Writes the example study: MHCdata.txt and MICdata.txt.

Six populations of 20 to 40 individuals. The MHC set has 2 copies per
individual drawn from 15 alleles; the MIC set has 8 microsatellite loci.
Allele frequencies drift apart between populations along a line (1 next to
2, ..., 6 farthest from 1); at the MHC the drift is stronger, so MHC
differentiation exceeds neutral differentiation for distant pairs.
The heterozygosity correction is off. The output depends on nothing but
the seed below.
"""
import math
import random

SEED = 2026
POPS = 6
SIZES = [24, 31, 20, 38, 27, 40]
MHC_ALLELES = list(range(101, 116))  # 15 codes
LOCI = 8


def main():
    rng = random.Random(SEED)
    mhc_lines = ["%d 2 0 1" % POPS, " ".join(str(n) for n in SIZES)]
    mhc_base = [rng.random() + 0.2 for _ in MHC_ALLELES]
    for p in range(POPS):
        pos = p / (POPS - 1)
        tilt = [b * math.exp(9.0 * pos * (i - 7) / 15) for i, b in enumerate(mhc_base)]
        for _ in range(SIZES[p]):
            pair = rng.choices(MHC_ALLELES, weights=tilt, k=2)
            mhc_lines.append("%d %d" % tuple(pair))

    mic_lines = ["%d 1 1" % LOCI, " ".join(str(n) for n in SIZES)]
    loci = []
    for l in range(LOCI):
        k = rng.randint(6, 12)
        codes = [150 + 2 * l * 7 + 2 * i for i in range(k)]  # repeat lengths in base pairs
        base = [rng.random() + 0.2 for _ in range(k)]
        loci.append((codes, base))
    for p in range(POPS):
        pos = p / (POPS - 1)
        weights = []
        for codes, base in loci:
            k = len(codes)
            weights.append([max(0.02, b * (1.0 + 0.8 * pos * (i - k / 2) / k)) for i, b in enumerate(base)])
        for _ in range(SIZES[p]):
            fields = []
            for (codes, _), w in zip(loci, weights):
                fields += [str(c) for c in rng.choices(codes, weights=w, k=2)]
            mic_lines.append(" ".join(fields))

    with open("MHCdata.txt", "w") as f:
        f.write("\n".join(mhc_lines) + "\n")
    with open("MICdata.txt", "w") as f:
        f.write("\n".join(mic_lines) + "\n")


if __name__ == "__main__":
    main()
