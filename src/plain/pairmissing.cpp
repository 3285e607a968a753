#include "plain/pairmissing.h"

#include <algorithm>

#include "plain/heterozygosity.h"

namespace gstboot {

namespace {

bool typed(const MicArray& gc, int p, int k, int l) { return gc[p][k][l][0] != MISSING; }

// Copies population p's individuals typed at locus l into `block`, in slot
// order; returns how many.
int copytyped(const DataSet& ds, const MicArray& gc, int p, int l, PopBlock& block) {
    block.shape(ds.nmic[p], 2);
    int n = 0;
    for (int k = 0; k < ds.nmic[p]; ++k) {
        if (!typed(gc, p, k, l)) continue;
        block[n][0] = gc[p][k][l][0];
        block[n][1] = gc[p][k][l][1];
        ++n;
    }
    return n;
}

double correction(const DataSet& ds, const MicArray& gc, int i, int j) {
    int total = 0;
    for (int p : {i, j}) {
        for (int k = 0; k < ds.nmic[p]; ++k) {
            for (int l = 0; l < ds.nloci; ++l) total += typed(gc, p, k, l);
        }
    }
    int hets = 0;
    for (int p : {i, j}) {
        for (int k = 0; k < ds.nmic[p]; ++k) {
            for (int l = 0; l < ds.nloci; ++l) {
                if (typed(gc, p, k, l) && heterozygous(gc[p][k][l].data(), 2)) ++hets;
            }
        }
    }
    return hetdivisor(hets, total);
}

}  // namespace

double locusfactor(int ni, int nj) {
    const int n = ni + nj;
    const int s = ni * ni + nj * nj;
    const double nd = static_cast<double>(n);
    const double nc = nd - static_cast<double>(s) / nd;
    return static_cast<double>((n - 2) * 2) * nc;
}

void scoremissingpairs(const DataSet& ds, const Presence& present, const MicArray& gc, MissingScratch& s,
                       PairTable& out) {
    if (out.npop() != ds.npop) out.assign(ds.npop);
    for (int i = 0; i + 1 < ds.npop; ++i) {
        for (int j = i + 1; j < ds.npop; ++j) {
            double num = 0.0;
            double den = 0.0;
            for (int l = 0; l < ds.nloci; ++l) {
                std::int32_t ni[2];
                ni[0] = copytyped(ds, gc, i, l, s.block[0]);
                ni[1] = copytyped(ds, gc, j, l, s.block[1]);
                if (!locusenters(ni[0], ni[1])) continue;
                double numl = 0.0;
                double denl = 0.0;
                for (int a = 0; a < present.width(1 + l); ++a) {
                    if (present[1 + l][a] != 1) continue;
                    numl = numl + gstnum(2, ni, 2, a, s.block);
                    denl = denl + gstden(2, ni, 2, a, s.block);
                }
                const double f = locusfactor(ni[0], ni[1]);
                num = num + numl / f;
                den = den + denl / f;
            }
            // With no locus entering this is 0.0 / 0.0 of run-time values.
            double mic = num / den;
            if (ds.settings.corrflag) mic = mic / correction(ds, gc, i, j);
            out[i][j] = mic;
        }
    }
}

int mictypedat(const DataSet& ds, int p, int l) {
    int n = 0;
    for (int k = 0; k < ds.nmic[p]; ++k) n += typed(ds.mic, p, k, l);
    return n;
}

std::vector<int> mictypedtable(const DataSet& ds) {
    const std::size_t loci = static_cast<std::size_t>(std::max(ds.nloci, 0));
    std::vector<int> out(static_cast<std::size_t>(std::max(ds.npop, 0)) * loci, 0);
    for (int p = 0; p < ds.npop; ++p) {
        int* row = out.data() + static_cast<std::size_t>(p) * loci;
        for (int k = 0; k < ds.nmic[p]; ++k) {
            for (std::size_t l = 0; l < loci; ++l) row[l] += typed(ds.mic, p, k, static_cast<int>(l));
        }
    }
    return out;
}

int micloci(const std::vector<int>& typed, int nloci, int i, int j) {
    const std::size_t loci = static_cast<std::size_t>(nloci);
    int count = 0;
    for (std::size_t l = 0; l < loci; ++l) {
        count += locusenters(typed[static_cast<std::size_t>(i) * loci + l], typed[static_cast<std::size_t>(j) * loci + l]);
    }
    return count;
}

int micloci(const DataSet& ds, int i, int j) {
    int loci = 0;
    for (int l = 0; l < ds.nloci; ++l) loci += locusenters(mictypedat(ds, i, l), mictypedat(ds, j, l));
    return loci;
}

}  // namespace gstboot
