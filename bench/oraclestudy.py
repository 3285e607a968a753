#!/usr/bin/env python3
"""Writes a study past the legacy layout's limits into a folder, for the
end-to-end check of the fast scorer against the plain one
(bench/oraclecheck.sh):

- MHCdata.tsv: a tab-separated table of COPIES copies per individual, 12
  alleles labelled as text (DRB*0101 ...);
- MICdata.gen (GENEPOP, 3 digits per allele, 000000 where untyped) or
  MICdata.tsv (a table, NA where untyped), as MICFORMAT says: NLOCI loci,
  the first with BIGALLELES alleles (every one of them carried), the others
  with 2 to 6.

Populations are named P01, P02, ... in both files; each draws its allele
frequencies around a shared profile, and a share MISSING of the MIC
genotypes is untyped at random. Deterministic: the same arguments give the
same bytes.

usage: oraclestudy.py OUTDIR NPOP NIND NLOCI BIGALLELES COPIES MISSING MICFORMAT SEED
"""
import itertools
import os
import random
import sys

MHC_ALLELES = 12


def frequencies(rng, base, spread):
    # A population's frequencies: the shared profile scaled by gamma noise,
    # as cumulative weights for rng.choices.
    w = [rng.gammavariate(b * spread + 0.05, 1.0) for b in base]
    return list(itertools.accumulate(w))


def main():
    out, npop, nind, nloci, big, copies, missing, micformat, seed = sys.argv[1:]
    npop, nind, nloci, big, copies, seed = map(int, (npop, nind, nloci, big, copies, seed))
    missing = float(missing)
    if micformat not in ("gen", "tsv"):
        sys.exit("MICFORMAT is gen or tsv")
    rng = random.Random(seed)
    os.makedirs(out, exist_ok=True)
    pops = [f"P{p + 1:02d}" for p in range(npop)]

    # MHC: an uneven profile of text labels.
    mhcnames = [f"DRB*{rng.randint(1, 99):02d}{k + 1:02d}" for k in range(MHC_ALLELES)]
    mhcbase = [rng.paretovariate(1.3) for _ in range(MHC_ALLELES)]
    with open(os.path.join(out, "MHCdata.tsv"), "w") as f:
        f.write("population\tindividual\t" + "\t".join(f"DRB_{c + 1}" for c in range(copies)) + "\n")
        for p in range(npop):
            cum = frequencies(rng, mhcbase, 3.0)
            for i in range(nind):
                row = rng.choices(mhcnames, cum_weights=cum, k=copies)
                f.write(f"{pops[p]}\t{pops[p]}-{i + 1}\t" + "\t".join(row) + "\n")

    # MIC: allele sizes of three digits; the big locus has a flat profile
    # so that every one of its alleles is drawn.
    counts = [big] + [rng.randint(2, 6) for _ in range(nloci - 1)]
    sizes = [sorted(rng.sample(range(100, 1000), k)) for k in counts]
    bases = [[rng.gammavariate(20.0, 1.0) for _ in range(counts[0])]]
    bases += [[rng.paretovariate(1.5) for _ in range(k)] for k in counts[1:]]
    calls = []  # [p][i][l] = (a, b) or None
    for p in range(npop):
        cums = [frequencies(rng, bases[l], 30.0 if l == 0 else 6.0) for l in range(nloci)]
        pop = []
        for _ in range(nind):
            row = []
            for l in range(nloci):
                pair = rng.choices(sizes[l], cum_weights=cums[l], k=2)
                row.append(None if rng.random() < missing else pair)
            pop.append(row)
        calls.append(pop)
    seen = {c for pop in calls for row in pop if row[0] for c in row[0]}
    if len(seen) != big:
        sys.exit(f"locus 1 carries {len(seen)} of its {big} alleles: choose another seed")

    names = [f"Mic{l + 1:02d}" for l in range(nloci)]
    if micformat == "gen":
        with open(os.path.join(out, "MICdata.gen"), "w") as f:
            f.write("Study past the legacy limits, neutral loci\n" + ", ".join(names) + "\n")
            for p in range(npop):
                f.write(f"Pop {pops[p]}\n")
                for i, row in enumerate(calls[p]):
                    cells = ("000000" if c is None else f"{c[0]:03d}{c[1]:03d}" for c in row)
                    f.write(f"{pops[p]}-{i + 1}, " + " ".join(cells) + "\n")
    else:
        with open(os.path.join(out, "MICdata.tsv"), "w") as f:
            f.write("population\tindividual\t" + "\t".join(f"{n}_{a}" for n in names for a in (1, 2)) + "\n")
            for p in range(npop):
                for i, row in enumerate(calls[p]):
                    cells = ("NA\tNA" if c is None else f"{c[0]}\t{c[1]}" for c in row)
                    f.write(f"{pops[p]}\t{pops[p]}-{i + 1}\t" + "\t".join(cells) + "\n")
    typed = sum(1 for pop in calls for row in pop for c in row if c is not None)
    print(f"{npop} populations of {nind}, {copies} MHC copies, {nloci} loci of "
          f"{sum(counts)} alleles (locus 1: {big}), {npop * nind * nloci - typed} MIC genotypes untyped",
          file=sys.stderr)


if __name__ == "__main__":
    main()
