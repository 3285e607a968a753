#!/usr/bin/env python3
"""Writes the SNP benchmark study into a folder: MHCdata.gen (one MHC locus,
2 copies of 20 alleles), MICdata.gen (biallelic SNPs as GENEPOP), the same
SNPs as MICdata.vcf with pops.tsv, its population map. Population allele
frequencies drift around a shared one per SNP; a share of the genotypes is
missing at random (00 in GENEPOP, ./. in the VCF). Deterministic: the same
arguments give the same bytes.

usage: snpstudy.py OUTDIR NPOP NIND NSNP MISSING SEED
"""
import os
import random
import sys


def main():
    out, npop, nind, nsnp, missing, seed = sys.argv[1:]
    npop, nind, nsnp, missing, seed = int(npop), int(nind), int(nsnp), float(missing), int(seed)
    rng = random.Random(seed)
    os.makedirs(out, exist_ok=True)
    names = [[f"p{p + 1}i{i + 1}" for i in range(nind)] for p in range(npop)]

    # MHC: 20 alleles, population frequencies around an uneven profile.
    base = [rng.paretovariate(1.3) for _ in range(20)]
    with open(os.path.join(out, "MHCdata.gen"), "w") as f:
        f.write("SNP benchmark, MHC\nDRB\n")
        for p in range(npop):
            w = [rng.gammavariate(b * 4.0 + 0.05, 1.0) for b in base]
            f.write("Pop\n")
            for i in range(nind):
                a, b = rng.choices(range(20), weights=w, k=2)
                f.write(f"{names[p][i]}, {a + 1:02d}{b + 1:02d}\n")

    # SNPs: a shared frequency per SNP, each population's drawn around it.
    calls = []  # [snp][p][i] = (a, b) or None
    for _ in range(nsnp):
        q = rng.uniform(0.05, 0.95)
        site = []
        for p in range(npop):
            qp = min(0.999, max(0.001, rng.betavariate(q * 20 + 0.1, (1 - q) * 20 + 0.1)))
            row = []
            for i in range(nind):
                if rng.random() < missing:
                    row.append(None)
                else:
                    row.append((int(rng.random() < qp), int(rng.random() < qp)))
            site.append(row)
        calls.append(site)

    with open(os.path.join(out, "MICdata.gen"), "w") as f:
        f.write("SNP benchmark, neutral SNPs\n")
        f.write(",".join(f"snp{l + 1}" for l in range(nsnp)) + "\n")
        for p in range(npop):
            f.write("Pop\n")
            for i in range(nind):
                cells = []
                for l in range(nsnp):
                    c = calls[l][p][i]
                    cells.append("0000" if c is None else f"{c[0] + 1:02d}{c[1] + 1:02d}")
                f.write(f"{names[p][i]}, " + " ".join(cells) + "\n")

    with open(os.path.join(out, "MICdata.vcf"), "w") as f:
        f.write("##fileformat=VCFv4.2\n##source=snpstudy.py\n")
        f.write("#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t")
        f.write("\t".join(n for pop in names for n in pop) + "\n")
        for l in range(nsnp):
            gts = []
            for p in range(npop):
                for i in range(nind):
                    c = calls[l][p][i]
                    gts.append("./." if c is None else f"{c[0]}/{c[1]}")
            f.write(f"1\t{1000 * (l + 1)}\tsnp{l + 1}\tA\tG\t.\tPASS\t.\tGT\t" + "\t".join(gts) + "\n")

    with open(os.path.join(out, "pops.tsv"), "w") as f:
        for p in range(npop):
            for i in range(nind):
                f.write(f"{names[p][i]}\tPop{p + 1}\n")


if __name__ == "__main__":
    main()
