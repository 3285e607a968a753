#include "estimates/engineimpl.h"

#include <algorithm>

namespace gstboot {

// The statistics of population p, for the individuals src[0..n-1] of the
// data as read.
void Engine::Impl::buildpop(int p, int n, const std::int32_t* src, const std::int32_t* mult, Work& work) const {
    const int w = ds.mhccopies;
    const int nd = ndense;
    AlleleStat* st = &work.stats[static_cast<std::size_t>(p * ndense)];
    const int stride = w + 1;
    const std::size_t tb = static_cast<std::size_t>(p * nterms);
    std::int32_t* km = &work.km[tb];
    double* terms = &work.terms[tb];
    // Individuals by allele and number of matching copies, counted over the
    // individuals of the data in order, each as often as the replicate
    // draws it; the counts and carriers follow from them.
    std::fill(km, km + nd * stride, 0);
    for (int i = 0; i < n; ++i) {
        const std::size_t at = static_cast<std::size_t>(p) * static_cast<std::size_t>(maxind) + static_cast<std::size_t>(i);
        for (std::int32_t q = mhcmark[at]; q < mhcmark[at + 1]; ++q) {
            const Mark& mk = marks[static_cast<std::size_t>(q)];
            km[mk.dense * stride + mk.m] += mult[i];
        }
    }
    for (int d = 0; d < nd; ++d) {
        std::int32_t count = 0, ncar = 0;
        for (int m = 1; m <= w; ++m) {
            count += m * km[d * stride + m];
            ncar += km[d * stride + m];
        }
        st[d].count = count;
        st[d].ncar = ncar;
    }
    // The carriers themselves are needed only where SSW is summed term by
    // term.
    if (!dyadic[w]) {
        std::int32_t next = work.carbase[static_cast<std::size_t>(p)];
        for (int d = 0; d < nd; ++d) {
            st[d].first = next;
            work.cursor[static_cast<std::size_t>(d)] = next;
            next += st[d].ncar;
        }
        for (int s = 0; s < n; ++s) {
            const std::size_t at = static_cast<std::size_t>(p) * static_cast<std::size_t>(maxind) + static_cast<std::size_t>(src[s]);
            for (std::int32_t q = mhcmark[at]; q < mhcmark[at + 1]; ++q) {
                const Mark& mk = marks[static_cast<std::size_t>(q)];
                work.carriers[static_cast<std::size_t>(work.cursor[static_cast<std::size_t>(mk.dense)]++)] =
                    Carrier{mk.m, mk.pattern};
            }
        }
    }
    const double* freq = sums.of(n * w);
    const double* x = sums.of(w);
    const double wd = static_cast<double>(w);
    for (int d = 0; d < nd; ++d) {
        AlleleStat& a = st[d];
        if (a.ncar == 0) {
            a.p = 0.0;
            a.ssw0 = 0.0;
            continue;
        }
        std::int32_t* k = km + d * stride;
        double* t = terms + d * stride;
        k[0] = n - a.ncar;
        a.p = freq[a.count];
        for (int m = 0; m <= w; ++m) {
            const double dd = x[m] - a.p;
            t[m] = (wd * dd) * dd;
        }
        if (dyadic[w]) {
            // Every partial sum is exact, so the order of the terms does not
            // matter: count them by their number of matches.
            double sum = 0.0;
            for (int m = 1; m <= w; ++m) {
                sum = sum + static_cast<double>(k[m]) * (static_cast<double>(m) * ssa[w][m] +
                                                         static_cast<double>(w - m) * ssb[w][m]);
            }
            a.ssw0 = sum;
        } else {
            // Summed term by term later, as one more lane beside the
            // partners (see continuessw).
            a.ssw0 = 0.0;
        }
    }
}

// Population p's statistics for the replicate, its heterozygote count, and
// its lane of the by-allele tables.
void Engine::Impl::preparepop(int p, const ReplicateIndex& rep, Work& work) const {
    const int w = ds.mhccopies;
    std::int32_t* mm = work.mult.data();
    std::fill(mm, mm + ds.nmhc[p], 0);
    for (int s = 0; s < ds.nmhc[p]; ++s) ++mm[rep.mhcsrc[p][s]];
    buildpop(p, ds.nmhc[p], rep.mhcsrc[p], mm, work);
    // Heterozygotes as the correction counts them, from the tallies: an
    // individual is homozygous when all its copies match one allele (with
    // no copies, every individual counts as homozygous).
    std::int32_t hom = 0;
    const std::int32_t* km0 = &work.km[static_cast<std::size_t>(p * nterms)];
    for (int d = 0; d < ndense; ++d) hom += km0[d * (w + 1) + w];
    work.mhchets[static_cast<std::size_t>(p)] = w == 0 ? 0 : ds.nmhc[p] - hom;
    for (int d = 0; d < ndense; ++d) {
        const std::size_t at = static_cast<std::size_t>(d) * static_cast<std::size_t>(lp) + static_cast<std::size_t>(p);
        const AlleleStat& a = work.stats[static_cast<std::size_t>(p * ndense + d)];
        work.pT[at] = a.p;
        work.cntT[at] = a.count;
        work.ssw0T[at] = a.ssw0;
    }
}

}  // namespace gstboot
