#include "estimates/missinglanes.h"

#include <cstddef>
#include <cstring>

#include "estimates/pairmissing.h"

namespace gstboot {
namespace missinglanes {

// Clones for the wider x86-64 sets; elsewhere (aarch64: NEON) one build.
#if defined(GSTBOOT_BASELINE_ONLY) || !defined(__x86_64__)
#define GSTBOOT_MISSING_CLONES
#else
#define GSTBOOT_MISSING_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#endif

namespace {

typedef double v8d __attribute__((vector_size(64)));
typedef std::int32_t v8i __attribute__((vector_size(32)));

// acc[c] continued over lines 0..n-1, 8 * NV columns at once.
template <int NV>
__attribute__((always_inline)) inline void rowblock(double* acc, const double* lines, int n, int stride) {
    v8d a[NV];
    std::memcpy(a, acc, sizeof a);
    for (int k = 0; k < n; ++k) {
        const double* line = lines + static_cast<std::ptrdiff_t>(k) * stride;
        for (int v = 0; v < NV; ++v) {
            v8d r;
            std::memcpy(&r, line + 8 * v, sizeof r);
            a[v] = a[v] + r;
        }
    }
    std::memcpy(acc, a, sizeof a);
}

}  // namespace

// 64 columns at a time, so that the piece of the lines stays in the
// first-level cache while every row passes over it.
GSTBOOT_MISSING_CLONES
void continuerows(double* accs, int rows, int pitch, const double* lines, int n, int width, int stride) {
    int d = 0;
    for (; d + 64 <= width; d += 64) {
        for (int r = 0; r < rows; ++r) rowblock<8>(accs + static_cast<std::ptrdiff_t>(r) * pitch + d, lines + d, n, stride);
    }
    const int rest = (width - d) / 8;
    for (int r = 0; r < rows; ++r) {
        double* acc = accs + static_cast<std::ptrdiff_t>(r) * pitch + d;
        switch (rest) {
            case 7: rowblock<7>(acc, lines + d, n, stride); break;
            case 6: rowblock<6>(acc, lines + d, n, stride); break;
            case 5: rowblock<5>(acc, lines + d, n, stride); break;
            case 4: rowblock<4>(acc, lines + d, n, stride); break;
            case 3: rowblock<3>(acc, lines + d, n, stride); break;
            case 2: rowblock<2>(acc, lines + d, n, stride); break;
            case 1: rowblock<1>(acc, lines + d, n, stride); break;
            default: break;
        }
    }
}

GSTBOOT_MISSING_CLONES
void locusterms(const LocusPairs& c, int lane0, const double* ssiT, const double* ssw0T, const double* pT,
                const std::int32_t* cntT, const AlleleStat* sj, double* qnum, double* qden) {
    // The constants gstnum/gstden form from the two sample sizes (k = 2,
    // w = 2), and F_l, lane by lane in the same operations.
    v8i ni;
    std::memcpy(&ni, c.ni, sizeof ni);
    const v8i nj = v8i{} + c.nj;
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
    for (int d = c.first; d < c.end; ++d) {
        const std::size_t at = static_cast<std::size_t>(d) * LANEROW + static_cast<std::size_t>(lane0);
        const AlleleStat& b = sj[d];
        double ppa[8];
        for (int l = 0; l < 8; ++l) ppa[l] = c.pall[l][cntT[at + static_cast<std::size_t>(l)] + b.count];
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
        if (!locusenters(c.ni[l], c.nj)) qnum[l] = qden[l] = 0.0;
    }
}

}  // namespace missinglanes
}  // namespace gstboot
