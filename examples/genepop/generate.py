#!/usr/bin/env python3
"""Writes the GENEPOP example: MHCdata.gen and MICdata.gen.

Six lake populations of a made-up fish, 12 to 20 individuals each, named in
the files (every individual's label is its population's name, and GENEPOP
names a population after its first individual). The MHC file has one locus,
DRB, whose two alleles are an individual's two copies; the MIC file has 6
microsatellite loci, two with allele sizes above 350 base pairs. About 3% of
the MIC genotypes are untyped (000000) and two have only one allele typed
(they count as untyped, and gstboot warns). The output depends on nothing but
the seed below.
"""
import random

SEED = 11
POPS = ["Ammersee", "Chiemsee", "Kochelsee", "Starnberger See", "Tegernsee", "Walchensee"]
SIZES = [14, 20, 12, 18, 16, 15]
MHC_ALLELES = [101, 103, 104, 108, 112, 115, 121, 126, 130]
LOCI = [("Mic01", 150, 2), ("Mic02", 201, 4), ("Mic03", 96, 2), ("Mic04", 352, 2), ("Mic05", 118, 3),
        ("Mic06", 387, 4)]  # name, smallest size, repeat length


def drift(rng, n, pos, strength):
    base = [rng.random() + 0.2 for _ in range(n)]
    return [b * (1 + strength * pos * (i - n / 2) / n) ** 2 for i, b in enumerate(base)]


def main():
    rng = random.Random(SEED)
    mhc = ["Example MHC data set: DRB exon 2 alleles by size", "DRB"]
    mic = ["Example microsatellite data set", ", ".join(name for name, _, _ in LOCI)]
    loci = [[start + step * i for i in range(rng.randint(5, 9))] for _, start, step in LOCI]
    half = {(1, 3, 2), (4, 7, 5)}  # (population, individual, locus) with one allele typed
    for p, (name, n) in enumerate(zip(POPS, SIZES)):
        pos = p / (len(POPS) - 1)
        w = drift(rng, len(MHC_ALLELES), pos, 3.0)
        mhc.append("Pop")
        for _ in range(n):
            a, b = rng.choices(MHC_ALLELES, weights=w, k=2)
            mhc.append("%s, %03d%03d" % (name, a, b))
        ws = [drift(rng, len(sizes), pos, 0.8) for sizes in loci]
        mic.append("Pop")
        for i in range(n):
            genotypes = []
            for l, sizes in enumerate(loci):
                a, b = rng.choices(sizes, weights=ws[l], k=2)
                if (p, i, l) in half:
                    b = 0
                elif rng.random() < 0.03:
                    a = b = 0
                genotypes.append("%03d%03d" % (a, b))
            mic.append("%s, %s" % (name, " ".join(genotypes)))
    with open("MHCdata.gen", "w") as f:
        f.write("\n".join(mhc) + "\n")
    with open("MICdata.gen", "w") as f:
        f.write("\n".join(mic) + "\n")


if __name__ == "__main__":
    main()
