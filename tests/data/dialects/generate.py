#!/usr/bin/env python3
"""Writes the dialects of the GENEPOP example study (examples/genepop).

Each file holds the same study the way users and other software write it:
GENEPOP with named Pop lines and labels that restart, spreadsheets exported
with commas, semicolons or tabs, in UTF-8, UTF-16 or Windows-1252, with LF,
CR LF or CR line ends, one-cell genotypes, several missing codes, GenAlEx
and STRUCTURE. Every one must give the estimates of the canonical files
(MHC-canonical.gen, MIC-canonical.gen, copies of the example). Run from
this folder; the files are committed, so the tests do not need Python.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLE = os.path.join(HERE, "..", "..", "..", "examples", "genepop")
# The names the named dialects give; the last holds a letter outside ASCII,
# so that files in different encodings match only when both are decoded.
NAMES = ["Ammersee", "Chiemsee", "Kochelsee", "Starnberger See", "Tegernsee", "W\u00f6rthsee"]


def parse(path):
    """Title, loci, and populations as lists of individuals, each a list of
    (allele, allele) per locus, alleles as 3-digit strings ("000" missing)."""
    lines = [l.rstrip("\n") for l in open(path, encoding="ascii") if l.strip()]
    loci = [x.strip() for x in lines[1].split(",")]
    pops = []
    for line in lines[2:]:
        if line.strip().lower() == "pop":
            pops.append([])
            continue
        label, genotypes = line.split(",", 1)
        pops[-1].append([(g[:3], g[3:]) for g in genotypes.split()])
    return loci, pops


def write(name, text, encoding="utf-8", newline="\n", bom=False):
    data = text.replace("\n", newline).encode(encoding)
    if bom:
        data = {"utf-8": b"\xef\xbb\xbf", "utf-16-le": b"\xff\xfe", "utf-16-be": b"\xfe\xff"}[encoding] + data
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def cell(allele, missing, unpad=False):
    if allele == "000":
        return missing
    return str(int(allele)) if unpad else allele


def rows(pops):
    for p, pop in enumerate(pops):
        for i, ind in enumerate(pop):
            yield p, i, ind


def genepop_named(loci, pops, title):
    out = [title, ", ".join(loci[:3]) + ",", ", ".join(loci[3:])]
    for p, pop in enumerate(pops):
        out.append("POP " + NAMES[p])
        for i, ind in enumerate(pop):
            out.append("ind %d ,  " % (i + 1) + " ".join(a + b for a, b in ind))
    return "\n".join(out) + "\n"


def genepop_comma(loci, pops, title):
    out = [title] + loci
    for p, pop in enumerate(pops):
        out.append("Pop, " + NAMES[p])
        for i, ind in enumerate(pop):
            out.append("%s%03d, " % (NAMES[p][:3].upper(), i + 1) + " ".join(a + b for a, b in ind))
    return "\n".join(out) + "\n"


def table(loci, pops, sep, header, suffixes, missing, unpad=False, trailing="", names=NAMES, order=None):
    cols = [header[0], header[1]]
    for l in loci:
        cols += [l + suffixes[0], l + suffixes[1]]
    out = [sep.join(cols) + trailing]
    for p, i, ind in rows(pops):
        if order is not None and p != order:
            continue
        cells = [names[p], "%d" % (i + 1)]
        # Padded in some populations only: "096" and "96" are one allele.
        short = unpad and p % 2 == 1
        for a, b in ind:
            cells += [cell(a, missing, short), cell(b, missing, short)]
        out.append(sep.join(cells) + trailing)
    return "\n".join(out) + "\n"


def onecell(loci, pops, sep, header, join, missing, whole, popnames=NAMES, order=None):
    out = [sep.join(header + loci)]
    for p in order if order is not None else range(len(pops)):
        for i, ind in enumerate(pops[p]):
            cells = [popnames[p], "%s-%d" % (popnames[p][:2], i + 1)]
            for a, b in ind:
                if a == "000" and b == "000":
                    cells.append(whole)
                else:
                    cells.append(cell(a, missing) + join + cell(b, missing))
            out.append(sep.join(cells))
    return "\n".join(out) + "\n"


def genalex(loci, pops, sep):
    sizes = [len(p) for p in pops]
    first = [str(len(loci)), str(sum(sizes)), str(len(pops))] + [str(s) for s in sizes]
    second = ["Example study", "", ""] + NAMES
    third = ["Sample No.", "Pop"]
    for l in loci:
        third += [l, ""]
    out = [sep.join(first), sep.join(second), sep.join(third)]
    for p, i, ind in rows(pops):
        cells = ["%s%d" % (NAMES[p][:1], i + 1), NAMES[p]]
        for a, b in ind:
            cells += [cell(a, "0"), cell(b, "0")]
        out.append(sep.join(cells))
    return "\n".join(out) + "\n"


def structure(loci, pops, tworows, header):
    out = []
    if header:
        out.append(" ".join(loci))
    for p, i, ind in rows(pops):
        label = "s%d_%d" % (p + 1, i + 1)
        if tworows:
            for k in range(2):
                out.append("\t".join([label, str(p + 1)] + [cell(g[k], "-9", True) for g in ind]))
        else:
            cells = [label, str(p + 1)]
            for a, b in ind:
                cells += [cell(a, "-9", True), cell(b, "-9", True)]
            out.append(" ".join(cells))
    return "\n".join(out) + "\n"


def main():
    mhcloci, mhc = parse(os.path.join(EXAMPLE, "MHCdata.gen"))
    micloci, mic = parse(os.path.join(EXAMPLE, "MICdata.gen"))
    for kind in ("MHC", "MIC"):
        with open(os.path.join(EXAMPLE, kind + "data.gen"), "rb") as f:
            write(kind + "-canonical.gen", f.read().decode("ascii"))

    # MIC: each is read against MHC-canonical.gen, which names no
    # population, so populations pair by position.
    write("MIC-named.gen", genepop_named(micloci, mic, "Microsatellites"), newline="\r\n")
    write("MIC-cr.gen", genepop_comma(micloci, mic, "Microsatellites, old Mac line ends"), newline="\r")
    write("MIC-comma.csv", table(micloci, mic, ",", ["population", "individual"], ["_1", "_2"], "0"), bom=True)
    write("MIC-semicolon.csv",
          table(micloci, mic, ";", ["Pop", "Ind"], [".a", ".b"], "?", unpad=True, trailing=";;"), newline="\r\n")
    write("MIC-onecell.txt", onecell(micloci, mic, "\t", ["pop", "sample"], "/", "NA", "NA"),
          encoding="utf-16-le", newline="\r\n", bom=True)
    write("MIC-pipe.txt", onecell(micloci, mic, "\t", ["Population", "ID"], "|", "-9", "-9|-9"),
          encoding="utf-16-be", bom=True)
    write("MIC-genalex.csv", genalex(micloci, mic, ","))
    write("MIC-genalex.txt", genalex(micloci, mic, "\t"), newline="\r\n")
    write("MIC-structure.str", structure(micloci, mic, False, True))
    write("MIC-structure2.str", structure(micloci, mic, True, False))
    # Populations in reverse order: read against MHC-cp1252.csv, matched by name.
    write("MIC-reordered.txt", onecell(micloci, mic, "\t", ["population", "individual"], "/", "NA", "",
                                       order=range(len(mic) - 1, -1, -1)),
          encoding="utf-16-le", bom=True)

    # MHC: each is read against MIC-canonical.gen.
    write("MHC-named.gen", genepop_named(mhcloci, mhc, "DRB"), newline="\r\n")
    write("MHC-onecell.csv", onecell(mhcloci, mhc, ",", ["population", "individual"], "/", "NA", "NA"))
    write("MHC-cp1252.csv", table(mhcloci, mhc, ";", ["population", "individual"], [" 1", " 2"], "NA"),
          encoding="cp1252", newline="\r\n")
    write("MHC-genalex.txt", genalex(mhcloci, mhc, "\t"))
    write("MHC-structure.str", structure(mhcloci, mhc, True, True))


if __name__ == "__main__":
    main()
