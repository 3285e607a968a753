#include "estimates/kernels.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace gstboot {

// Wider vectors where the processor has them; the arithmetic is the same
// rounded double operations, lane by lane, whichever is chosen.
#ifdef GSTBOOT_BASELINE_ONLY
#define GSTBOOT_CLONES
#else
#define GSTBOOT_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#endif

namespace {

// Four lanes of doubles; arithmetic on it is four independent IEEE double
// operations, so a lane's result is that of the scalar loop.
typedef double v4d __attribute__((vector_size(32)));

}  // namespace

// The continuation of many starting sums over one population's carriers of
// an allele at once: lane l is s[l] continued over the SSW terms of every
// copy of every carrier, in the order of the carriers. Lanes are
// independent partners; no lane's additions are reordered.
template <int NV>
__attribute__((always_inline)) inline void sswlanes(double* s, const Carrier* car, int ncar, const double* a,
                                                    const double* b, int w) {
    v4d acc[NV];
    std::memcpy(acc, s, sizeof acc);
    for (int c = 0; c < ncar; ++c) {
        for (int copy = 0; copy < w; ++copy) {
            const double x = (car[c].pattern >> copy) & 1u ? a[car[c].m] : b[car[c].m];
            const v4d tm = {x, x, x, x};
            for (int v = 0; v < NV; ++v) acc[v] = acc[v] + tm;
        }
    }
    std::memcpy(s, acc, sizeof acc);
}

// `s` holds `lanes` sums and room for up to 3 more, which are clobbered.
// Up to 48 lanes pass over the carriers together, so that many independent
// additions are in flight at each step.
GSTBOOT_CLONES
void continuelanesssw(double* s, int lanes, const Carrier* car, int ncar, const double* a, const double* b, int w) {
    for (int l = 0; l < lanes; l += 48) {
        double* at = s + l;
        switch ((std::min(lanes - l, 48) + 3) / 4) {
            case 12: sswlanes<12>(at, car, ncar, a, b, w); break;
            case 11: sswlanes<11>(at, car, ncar, a, b, w); break;
            case 10: sswlanes<10>(at, car, ncar, a, b, w); break;
            case 9: sswlanes<9>(at, car, ncar, a, b, w); break;
            case 8: sswlanes<8>(at, car, ncar, a, b, w); break;
            case 7: sswlanes<7>(at, car, ncar, a, b, w); break;
            case 6: sswlanes<6>(at, car, ncar, a, b, w); break;
            case 5: sswlanes<5>(at, car, ncar, a, b, w); break;
            case 4: sswlanes<4>(at, car, ncar, a, b, w); break;
            case 3: sswlanes<3>(at, car, ncar, a, b, w); break;
            case 2: sswlanes<2>(at, car, ncar, a, b, w); break;
            default: sswlanes<1>(at, car, ncar, a, b, w); break;
        }
    }
}

// acc[d] continued over lines 0..n-1 of tm: acc[d] + tm[0][d] + tm[1][d] +
// ..., each column's additions in line order; 8 * NV columns at once.
template <int NV>
__attribute__((always_inline)) inline void addlinesblock(double* acc, const double* tm, int n, int stride) {
    v8d a[NV];
    std::memcpy(a, acc, sizeof a);
    for (int k = 0; k < n; ++k) {
        const double* line = tm + static_cast<std::ptrdiff_t>(k) * stride;
        for (int v = 0; v < NV; ++v) {
            v8d r;
            std::memcpy(&r, line + 8 * v, sizeof r);
            a[v] = a[v] + r;
        }
    }
    std::memcpy(acc, a, sizeof a);
}

// Every one of `count` rows of sums, held `pitch` apart in accs, continued
// over lines 0..n-1 of tm (`width` columns, a multiple of 8, held `stride`
// apart). The lines are taken 64 columns at a time, so that the piece stays
// in the first-level cache while every row of sums passes over it. Columns
// are independent, and each still takes its lines in order.
GSTBOOT_CLONES
void addlines(double* accs, int count, int pitch, const double* tm, int n, int width, int stride) {
    int d = 0;
    for (; d + 64 <= width; d += 64) {
        for (int c = 0; c < count; ++c) addlinesblock<8>(accs + static_cast<std::ptrdiff_t>(c) * pitch + d, tm + d, n, stride);
    }
    const int rest = (width - d) / 8;
    for (int c = 0; c < count; ++c) {
        double* acc = accs + static_cast<std::ptrdiff_t>(c) * pitch + d;
        switch (rest) {
            case 7: addlinesblock<7>(acc, tm + d, n, stride); break;
            case 6: addlinesblock<6>(acc, tm + d, n, stride); break;
            case 5: addlinesblock<5>(acc, tm + d, n, stride); break;
            case 4: addlinesblock<4>(acc, tm + d, n, stride); break;
            case 3: addlinesblock<3>(acc, tm + d, n, stride); break;
            case 2: addlinesblock<2>(acc, tm + d, n, stride); break;
            case 1: addlinesblock<1>(acc, tm + d, n, stride); break;
            default: break;
        }
    }
}

GSTBOOT_CLONES
void ratiolanes(const PairLanes& c, const Range* ranges, int nranges, int lane0, const double* ssiT,
                const double* sswT, const double* pT, const std::int32_t* cntT, const AlleleStat* sj, double* numout,
                double* denout) {
    v8d num = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    v8d den = num;
    const v8d zero = num;
    for (int q = 0; q < nranges; ++q) {
        for (int d = ranges[q].first; d < ranges[q].end; ++d) {
            const std::size_t at = static_cast<std::size_t>(d) * LP + static_cast<std::size_t>(lane0);
            const AlleleStat& b = sj[d];
            double ppa[8];
            for (int l = 0; l < 8; ++l) ppa[l] = c.pall[l][cntT[at + static_cast<std::size_t>(l)] + b.count];
            v8d pp, pa, ssi, ssw;
            std::memcpy(&pp, ppa, sizeof pp);
            std::memcpy(&pa, pT + at, sizeof pa);
            std::memcpy(&ssi, ssiT + at, sizeof ssi);
            std::memcpy(&ssw, sswT + at, sizeof ssw);
            const v8d e0 = pa - pp;
            const v8d e1 = b.p - pp;
            v8d ssp = zero + (c.niw * e0) * e0;
            ssp = ssp + (c.njw * e1) * e1;
            const v8d tp = c.nk * ssp;
            num = num + (tp - ssi);
            den = den + ((tp + c.ncm1 * ssi) + c.twf * ssw);
        }
    }
    std::memcpy(numout, &num, sizeof num);
    std::memcpy(denout, &den, sizeof den);
}

}  // namespace gstboot
