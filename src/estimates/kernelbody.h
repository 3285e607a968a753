// The kernels' bodies, written once for any vector width and inlined into
// one function per instruction set (kernels.cpp), which compiles them for
// that set. Only kernels.cpp includes this.
//
// Template arguments: V doubles per vector (the width of the registers the
// set has, so that no vector is split or spilled), and per kernel how many
// vectors one pass holds in registers. A lane's additions are the same,
// in the same order, for every V and every blocking: only which lanes
// share an instruction changes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "estimates/kernels.h"
#include "plain/pairmissing.h"

#define GSTBOOT_INLINE __attribute__((always_inline)) inline

namespace gstboot {
namespace body {

template <int V>
struct Vec {
    typedef double type __attribute__((vector_size(V * sizeof(double))));
};

// The continuation of NV vectors of starting sums over one population's
// carriers of an allele: lane l is s[l] continued over the SSW terms of every
// copy of every carrier, in the order of the carriers.
template <int V, int NV>
GSTBOOT_INLINE void sswlanes(double* s, const Carrier* car, int ncar, const double* a, const double* b, int w) {
    using vd = typename Vec<V>::type;
    vd acc[NV];
#pragma GCC unroll 16
    for (int v = 0; v < NV; ++v) std::memcpy(&acc[v], s + V * v, sizeof(vd));
    for (int c = 0; c < ncar; ++c) {
        for (int copy = 0; copy < w; ++copy) {
            const double x = (car[c].pattern >> copy) & 1u ? a[car[c].m] : b[car[c].m];
            vd tm;
#pragma GCC unroll 8
            for (int l = 0; l < V; ++l) tm[l] = x;
#pragma GCC unroll 16
            for (int v = 0; v < NV; ++v) acc[v] = acc[v] + tm;
        }
    }
#pragma GCC unroll 16
    for (int v = 0; v < NV; ++v) std::memcpy(s + V * v, &acc[v], sizeof(vd));
}

// sswlanes for nv (1..NV) vectors.
template <int V, int NV>
GSTBOOT_INLINE void sswupto(int nv, double* s, const Carrier* car, int ncar, const double* a, const double* b, int w) {
    if constexpr (NV > 1) {
        if (nv < NV) {
            sswupto<V, NV - 1>(nv, s, car, ncar, a, b, w);
            return;
        }
    }
    sswlanes<V, NV>(s, car, ncar, a, b, w);
}

// Up to NV vectors of lanes pass over the carriers together, so that many
// independent additions are in flight at each step; NV is what the
// registers hold beside the term. V divides 8, so rounding `lanes` up to
// whole vectors stays within the row's multiple of 8.
template <int V, int NV>
GSTBOOT_INLINE void continuelanesssw(double* s, int lanes, const Carrier* car, int ncar, const double* a,
                                     const double* b, int w) {
    for (int l = 0; l < lanes; l += V * NV) {
        const int nv = (std::min(lanes - l, V * NV) + V - 1) / V;
        sswupto<V, NV>(nv, s + l, car, ncar, a, b, w);
    }
}

// R rows of sums, `pitch` apart from acc, continued over lines 0..n-1 of
// tm: acc[d] + tm[0][d] + tm[1][d] + ..., each column's additions in line
// order; V * NV columns at once. A vector of a line, loaded once, goes to
// all R rows.
template <int V, int NV, int R>
GSTBOOT_INLINE void addlinesblock(double* acc, int pitch, const double* tm, int n, int stride) {
    using vd = typename Vec<V>::type;
    vd a[R][NV];
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r) {
#pragma GCC unroll 16
        for (int v = 0; v < NV; ++v) std::memcpy(&a[r][v], acc + static_cast<std::ptrdiff_t>(r) * pitch + V * v, sizeof(vd));
    }
    for (int k = 0; k < n; ++k) {
        const double* line = tm + static_cast<std::ptrdiff_t>(k) * stride;
#pragma GCC unroll 16
        for (int v = 0; v < NV; ++v) {
            vd x;
            std::memcpy(&x, line + V * v, sizeof x);
#pragma GCC unroll 8
            for (int r = 0; r < R; ++r) a[r][v] = a[r][v] + x;
        }
    }
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r) {
#pragma GCC unroll 16
        for (int v = 0; v < NV; ++v) std::memcpy(acc + static_cast<std::ptrdiff_t>(r) * pitch + V * v, &a[r][v], sizeof(vd));
    }
}

// addlinesblock for nv (1..NV) vectors of columns.
template <int V, int NV, int R>
GSTBOOT_INLINE void addupto(int nv, double* acc, int pitch, const double* tm, int n, int stride) {
    if constexpr (NV > 1) {
        if (nv < NV) {
            addupto<V, NV - 1, R>(nv, acc, pitch, tm, n, stride);
            return;
        }
    }
    addlinesblock<V, NV, R>(acc, pitch, tm, n, stride);
}

// All `count` rows over one piece of columns, R rows at a time and the
// rest one by one.
template <int V, int NV, int R>
GSTBOOT_INLINE void addrows(int nv, double* accs, int count, int pitch, const double* tm, int n, int stride) {
    int c = 0;
    for (; c + R <= count; c += R) addupto<V, NV, R>(nv, accs + static_cast<std::ptrdiff_t>(c) * pitch, pitch, tm, n, stride);
    for (; c < count; ++c) addupto<V, NV, 1>(nv, accs + static_cast<std::ptrdiff_t>(c) * pitch, pitch, tm, n, stride);
}

// The lines are taken NV vectors of columns at a time, so that the piece
// stays in the first-level cache while every row of sums passes over it.
// Columns and rows are independent, and each sum still takes its lines in
// order. The width is a multiple of 8, so of V.
template <int V, int NV, int R>
GSTBOOT_INLINE void addlines(double* accs, int count, int pitch, const double* tm, int n, int width, int stride) {
    int d = 0;
    for (; d + V * NV <= width; d += V * NV) addrows<V, NV, R>(NV, accs + d, count, pitch, tm + d, n, stride);
    const int rest = (width - d) / V;
    if (rest > 0) addrows<V, NV, R>(rest, accs + d, count, pitch, tm + d, n, stride);
}

// Lanes l0 .. l0 + V*G - 1 of the eight pairs: each allele's two terms,
// added to numout and denout (the ratio's sums) or, with STORE, kept at
// numout[(d - first) * 16 + lane] and [... + 8 + lane] for the one range.
template <int V, int G, bool STORE>
GSTBOOT_INLINE void ratiopass(const PairLanes& c, int l0, const Range* ranges, int nranges, int lane0,
                              const double* ssiT, const double* sswT, const double* pT, const std::int32_t* cntT,
                              const AlleleStat* sj, double* numout, double* denout) {
    using vd = typename Vec<V>::type;
    vd nk[G], ncm1[G], twf[G], niw[G], njw[G], num[G], den[G];
    vd zero;
#pragma GCC unroll 8
    for (int l = 0; l < V; ++l) zero[l] = 0.0;
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) {
        const int at = l0 + V * g;
        std::memcpy(&nk[g], c.nk + at, sizeof(vd));
        std::memcpy(&ncm1[g], c.ncm1 + at, sizeof(vd));
        std::memcpy(&twf[g], c.twf + at, sizeof(vd));
        std::memcpy(&niw[g], c.niw + at, sizeof(vd));
        std::memcpy(&njw[g], c.njw + at, sizeof(vd));
        num[g] = zero;
        den[g] = zero;
    }
    const double* const* pall = c.pall + l0;
    for (int q = 0; q < nranges; ++q) {
        for (int d = ranges[q].first; d < ranges[q].end; ++d) {
            const std::size_t at = static_cast<std::size_t>(d) * static_cast<std::size_t>(c.pitch) + static_cast<std::size_t>(lane0 + l0);
            const AlleleStat& b = sj[d];
#pragma GCC unroll 8
            for (int g = 0; g < G; ++g) {
                const std::size_t ag = at + static_cast<std::size_t>(V * g);
                vd pp, pa, ssi, ssw;
#pragma GCC unroll 8
                for (int l = 0; l < V; ++l) pp[l] = pall[V * g + l][cntT[ag + static_cast<std::size_t>(l)] + b.count];
                std::memcpy(&pa, pT + ag, sizeof pa);
                std::memcpy(&ssi, ssiT + ag, sizeof ssi);
                std::memcpy(&ssw, sswT + ag, sizeof ssw);
                const vd e0 = pa - pp;
                const vd e1 = b.p - pp;
                vd ssp = zero + (niw[g] * e0) * e0;
                ssp = ssp + (njw[g] * e1) * e1;
                const vd tp = nk[g] * ssp;
                const vd tn = tp - ssi;
                const vd td = (tp + ncm1[g] * ssi) + twf[g] * ssw;
                if constexpr (STORE) {
                    double* cell = numout + static_cast<std::size_t>(d - ranges[q].first) * 16 + l0 + V * g;
                    std::memcpy(cell, &tn, sizeof tn);
                    std::memcpy(cell + 8, &td, sizeof td);
                } else {
                    num[g] = num[g] + tn;
                    den[g] = den[g] + td;
                }
            }
        }
    }
    if constexpr (!STORE) {
#pragma GCC unroll 8
        for (int g = 0; g < G; ++g) {
            std::memcpy(numout + l0 + V * g, &num[g], sizeof(vd));
            std::memcpy(denout + l0 + V * g, &den[g], sizeof(vd));
        }
    }
}

// V*G lanes at a time, as many passes over the alleles as the live lanes
// need; V*G divides 8.
template <int V, int G>
GSTBOOT_INLINE void ratiolanes(const PairLanes& c, int lanes, const Range* ranges, int nranges, int lane0,
                               const double* ssiT, const double* sswT, const double* pT, const std::int32_t* cntT,
                               const AlleleStat* sj, double* numout, double* denout) {
    static_assert(8 % (V * G) == 0, "passes must tile the eight lanes");
    for (int l0 = 0; l0 < lanes; l0 += V * G)
        ratiopass<V, G, false>(c, l0, ranges, nranges, lane0, ssiT, sswT, pT, cntT, sj, numout, denout);
}

template <int V>
struct IntVec {
    typedef std::int32_t type __attribute__((vector_size(V * sizeof(std::int32_t))));
};

// The pair constants of eight lanes from the typed sample sizes of the
// partners (typed[lane0 + l], 0 past `lanes`) and of j, as gstnum/gstden
// form them (k = 2, w = 2), with F_l = (2 (n - 2)) n_c in f.
template <int V>
GSTBOOT_INLINE void typedlanes(const ChunkPairs& c, const std::int32_t* typed, PairLanes& out, double* f) {
    using vd = typename Vec<V>::type;
    using vi = typename IntVec<V>::type;
    const std::int32_t nj = typed[c.j];
#pragma GCC unroll 8
    for (int g = 0; g < 8 / V; ++g) {
        vi ni, iota;
        std::memcpy(&ni, typed + c.lane0 + V * g, sizeof ni);
#pragma GCC unroll 8
        for (int l = 0; l < V; ++l) iota[l] = V * g + l;
        // One load and a mask: lanes written one by one would be read back
        // before their stores could pass them on.
        ni = ni & (iota < c.lanes);
        const vi n = ni + nj;
        const vd nd = __builtin_convertvector(n, vd);
        const vd nc = nd - __builtin_convertvector(ni * ni + nj * nj, vd) / nd;
        const vd nk = __builtin_convertvector(n - 2, vd);
        const vd ncm1 = nc - 1.0;
        const vd twf = (nc * nk) / nd;
        const vd niw = __builtin_convertvector(ni * 2, vd);
        const vd njw = __builtin_convertvector(vi{} + nj * 2, vd);
        const vd fl = __builtin_convertvector((n - 2) * 2, vd) * nc;
        std::memcpy(out.nk + V * g, &nk, sizeof nk);
        std::memcpy(out.ncm1 + V * g, &ncm1, sizeof ncm1);
        std::memcpy(out.twf + V * g, &twf, sizeof twf);
        std::memcpy(out.niw + V * g, &niw, sizeof niw);
        std::memcpy(out.njw + V * g, &njw, sizeof njw);
        std::memcpy(f + V * g, &fl, sizeof fl);
#pragma GCC unroll 8
        for (int l = 0; l < V; ++l) {
            out.pall[V * g + l] = V * g + l < c.lanes ? c.recip + c.recipat[2 * (ni[l] + nj)] : c.zeros;
        }
    }
}

// The loci of a chunk one after another: nothing ties one locus to the
// next, so the divisions of neighbouring loci overlap.
template <int V, int G>
GSTBOOT_INLINE void chunkterms(const ChunkPairs& c, const double* ssiT, const double* sswT, const double* pT,
                               const std::int32_t* cntT, const AlleleStat* sj, double* table) {
    using vd = typename Vec<V>::type;
    PairLanes lanes;
    lanes.pitch = c.pitch;
    alignas(64) double f[8], num[8] = {}, den[8] = {};
    for (int u = 0; u < c.nloci; ++u) {
        const std::int32_t* typed = c.typedT + static_cast<std::size_t>(u) * static_cast<std::size_t>(c.pitch);
        typedlanes<V>(c, typed, lanes, f);
        const Range range{c.first[u], c.first[u] + c.ncodes[c.loci[u]]};
        ratiolanes<V, G>(lanes, c.lanes, &range, 1, c.lane0, ssiT, sswT, pT, cntT, sj, num, den);
        double* cell = table + static_cast<std::size_t>(c.rank[c.loci[u]]) * 16;
#pragma GCC unroll 8
        for (int g = 0; g < 8 / V; ++g) {
            vd a, b, d;
            std::memcpy(&a, num + V * g, sizeof a);
            std::memcpy(&b, den + V * g, sizeof b);
            std::memcpy(&d, f + V * g, sizeof d);
            a = a / d;
            b = b / d;
            std::memcpy(cell + V * g, &a, sizeof a);
            std::memcpy(cell + 8 + V * g, &b, sizeof b);
        }
        const std::int32_t nj = typed[c.j];
        for (int l = 0; l < 8; ++l) {
            const std::int32_t ni = l < c.lanes ? typed[c.lane0 + l] : 0;
            if (!locusenters(ni, nj)) cell[l] = cell[8 + l] = 0.0;
        }
    }
}

// chunkterms for the pooled estimate: the terms of every allele, kept.
template <int V, int G>
GSTBOOT_INLINE void chunkalleles(const ChunkPairs& c, const double* ssiT, const double* sswT, const double* pT,
                                 const std::int32_t* cntT, const AlleleStat* sj, double* table) {
    static_assert(8 % (V * G) == 0, "passes must tile the eight lanes");
    PairLanes lanes;
    lanes.pitch = c.pitch;
    alignas(64) double f[8];
    for (int u = 0; u < c.nloci; ++u) {
        const std::int32_t* typed = c.typedT + static_cast<std::size_t>(u) * static_cast<std::size_t>(c.pitch);
        typedlanes<V>(c, typed, lanes, f);
        const Range range{c.first[u], c.first[u] + c.ncodes[c.loci[u]]};
        double* out = table + static_cast<std::size_t>(c.rank[c.loci[u]]) * 16;
        for (int l0 = 0; l0 < c.lanes; l0 += V * G)
            ratiopass<V, G, true>(lanes, l0, &range, 1, c.lane0, ssiT, sswT, pT, cntT, sj, out, nullptr);
    }
}

}  // namespace body
}  // namespace gstboot
