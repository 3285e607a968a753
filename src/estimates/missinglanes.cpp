#include "estimates/missinglanes.h"

#include <cstddef>
#include <cstring>

#include "estimates/kernels.h"
#include "plain/pairmissing.h"

namespace gstboot {
namespace missinglanes {

namespace {

typedef double v8d __attribute__((vector_size(64)));
typedef std::int32_t v8i __attribute__((vector_size(32)));

// One locus of the eight pairs: its terms into qnum[0..7] and qden[0..7].
__attribute__((always_inline)) inline void locusbody(const ChunkPairs& c, int u, const double* ssiT,
                                                     const double* ssw0T, const double* pT, const std::int32_t* cntT,
                                                     const AlleleStat* sj, double* qnum, double* qden) {
    const std::int32_t* typed = c.typedT + static_cast<std::size_t>(u) * static_cast<std::size_t>(c.pitch);
    const std::int32_t njs = typed[c.j];
    // The partners' counts as one load, unused lanes masked to 0: written
    // lane by lane they would be read back before the stores could pass on.
    const v8i iota = {0, 1, 2, 3, 4, 5, 6, 7};
    v8i ni;
    std::memcpy(&ni, typed + c.lane0, sizeof ni);
    ni = ni & (iota < c.lanes);
    const double* pall[8];
    for (int l = 0; l < 8; ++l) pall[l] = l < c.lanes ? c.recip + c.recipat[2 * (ni[l] + njs)] : c.zeros;
    // The constants gstnum/gstden form from the two sample sizes (k = 2,
    // w = 2), and F_l, lane by lane in the same operations.
    const v8i nj = v8i{} + njs;
    const v8i n = ni + nj;
    const v8i s = ni * ni + nj * nj;
    const v8d nd = __builtin_convertvector(n, v8d);
    const v8d nc = nd - __builtin_convertvector(s, v8d) / nd;
    const v8d nk = __builtin_convertvector(n - 2, v8d);
    const v8d ncm1 = nc - 1.0;
    const v8d twf = (nc * nk) / nd;
    const v8d niw = __builtin_convertvector(ni * 2, v8d);
    const v8d njw = __builtin_convertvector(nj * 2, v8d);
    const v8d f = __builtin_convertvector((n - 2) * 2, v8d) * nc;

    const v8d zero = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    v8d num = zero;
    v8d den = zero;
    const int first = c.first[u];
    const int end = first + c.ncodes[c.loci[u]];
    for (int d = first; d < end; ++d) {
        const std::size_t at = static_cast<std::size_t>(d) * static_cast<std::size_t>(c.pitch) + static_cast<std::size_t>(c.lane0);
        const AlleleStat& b = sj[d];
        double ppa[8];
        for (int l = 0; l < 8; ++l) ppa[l] = pall[l][cntT[at + static_cast<std::size_t>(l)] + b.count];
        v8d pp, pa, ssi, ssw;
        std::memcpy(&pp, ppa, sizeof pp);
        std::memcpy(&pa, pT + at, sizeof pa);
        std::memcpy(&ssi, ssiT + at, sizeof ssi);
        std::memcpy(&ssw, ssw0T + at, sizeof ssw);
        ssw = ssw + b.ssw0;  // multiples of 1/4 far below 2^50: exact in any order
        const v8d e0 = pa - pp;
        const v8d e1 = b.p - pp;
        v8d ssp = zero + (niw * e0) * e0;
        ssp = ssp + (njw * e1) * e1;
        const v8d tp = nk * ssp;
        num = num + (tp - ssi);
        den = den + ((tp + ncm1 * ssi) + twf * ssw);
    }
    const v8d qn = num / f;
    const v8d qd = den / f;
    std::memcpy(qnum, &qn, sizeof qn);
    std::memcpy(qden, &qd, sizeof qd);
    for (int l = 0; l < 8; ++l) {
        if (!locusenters(ni[l], njs)) qnum[l] = qden[l] = 0.0;
    }
}

// The loci of a chunk one after another: nothing ties one locus to the
// next, so the divisions of neighbouring loci overlap.
__attribute__((always_inline)) inline void chunkbody(const ChunkPairs& c, const double* ssiT, const double* ssw0T,
                                                     const double* pT, const std::int32_t* cntT, const AlleleStat* sj,
                                                     double* table) {
    for (int u = 0; u < c.nloci; ++u) {
        double* cell = table + static_cast<std::size_t>(c.rank[c.loci[u]]) * 16;
        locusbody(c, u, ssiT, ssw0T, pT, cntT, sj, cell, cell + 8);
    }
}

// One compiled set of the kernels per instruction set, each at the width it
// runs best at.
#define GSTBOOT_MISSING_KERNELS(name, target)                                                                  \
    target void name##terms(const ChunkPairs& c, const double* ssiT, const double* ssw0T, const double* pT,      \
                            const std::int32_t* cntT, const AlleleStat* sj, double* table) {                     \
        chunkbody(c, ssiT, ssw0T, pT, cntT, sj, table);                                                        \
    }

GSTBOOT_MISSING_KERNELS(baseline, )
#if defined(GSTBOOT_DISPATCH)
GSTBOOT_MISSING_KERNELS(avx2, __attribute__((target("avx2"))))
GSTBOOT_MISSING_KERNELS(avx512, __attribute__((target("avx512f"))))
#endif

}  // namespace

Kernels kernelsfor(Isa isa) {
    const auto addlines = gstboot::kernelsfor(isa).addlines;
#if defined(GSTBOOT_DISPATCH)
    if (isa == Isa::avx512) return {addlines, avx512terms};
    if (isa == Isa::avx2) return {addlines, avx2terms};
#endif
    return {addlines, baselineterms};
}

}  // namespace missinglanes
}  // namespace gstboot
