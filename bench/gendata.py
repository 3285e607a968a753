#!/usr/bin/env python3
"""Writes a benchmark study: MHCdata.txt and MICdata.txt in a folder.

Allele frequencies differ between populations: each population draws its
frequencies around a shared profile (a Dirichlet-like perturbation), so the
data look like a structured set of populations rather than uniform noise.
Deterministic: the same arguments always give the same files.

usage: gendata.py OUTDIR NPOP NMIN NMAX COPIES MHCALLELES NLOCI LOCUSALLELES SEED
"""
import os
import random
import sys


def profile(rng, k):
    # A shared, uneven allele profile: a few common alleles, a long tail.
    w = [rng.paretovariate(1.2) for _ in range(k)]
    s = sum(w)
    return [x / s for x in w]


def perturb(rng, base, spread):
    # Population frequencies: the profile scaled by gamma noise.
    w = [rng.gammavariate(max(b * spread, 1e-3), 1.0) for b in base]
    s = sum(w) or 1.0
    return [x / s for x in w]


def main():
    out, npop, nmin, nmax, copies, mhca, nloci, loca, seed = sys.argv[1:]
    npop, nmin, nmax, copies, mhca, nloci, loca, seed = map(
        int, (npop, nmin, nmax, copies, mhca, nloci, loca, seed))
    rng = random.Random(seed)
    os.makedirs(out, exist_ok=True)
    mhccodes = rng.sample(range(351), mhca)
    loccodes = [rng.sample(range(351), loca) for _ in range(nloci)]
    mhcbase = profile(rng, mhca)
    locbase = [profile(rng, loca) for _ in range(nloci)]
    nm = [rng.randint(nmin, nmax) for _ in range(npop)]
    nc = [rng.randint(nmin, nmax) for _ in range(npop)]
    with open(os.path.join(out, "MHCdata.txt"), "w") as f:
        f.write(f"{npop} {copies} 1 1\n")
        f.write(" ".join(map(str, nm)) + "\n")
        for p in range(npop):
            freq = perturb(rng, mhcbase, 8.0)
            for _ in range(nm[p]):
                f.write(" ".join(map(str, rng.choices(mhccodes, freq, k=copies))) + "\n")
    with open(os.path.join(out, "MICdata.txt"), "w") as f:
        f.write(f"{nloci} 1 1\n")
        f.write(" ".join(map(str, nc)) + "\n")
        freqs = [[perturb(rng, locbase[l], 20.0) for l in range(nloci)] for _ in range(npop)]
        for p in range(npop):
            for _ in range(nc[p]):
                row = []
                for l in range(nloci):
                    row += rng.choices(loccodes[l], freqs[p][l], k=2)
                f.write(" ".join(map(str, row)) + "\n")


if __name__ == "__main__":
    main()
