#include "estimates/kernels.h"

#include "estimates/kernelbody.h"

namespace gstboot {

namespace {

// One set of kernels: the bodies inlined into functions compiled for one
// instruction set. V doubles per vector (SSWW for the SSW lanes); then
// vectors per pass of the SSW lanes, vectors of columns (ADDV) and rows
// (ADDR) per pass of the line sums, and vectors per pass of the pair lanes.
// A pass's sums and the values they take in fit the set's registers (16 up
// to AVX2, 32 with AVX-512); within that, the line blocking was chosen by
// timing the kernel alone on rows of 128 and 1504 columns: sharing each
// loaded line vector among 3 or 4 rows of sums beat wider pieces of one
// row by up to 1.9 times.
#define GSTBOOT_KERNELS(NAME, TARGET, V, SSWW, SSWV, ADDV, ADDR, RATIOG)                                                      \
    TARGET void NAME##ssw(double* s, int lanes, const Carrier* car, int ncar, const double* a, const double* b,   \
                          int w) {                                                                                \
        body::continuelanesssw<SSWW, SSWV>(s, lanes, car, ncar, a, b, w);                                            \
    }                                                                                                             \
    TARGET void NAME##add(double* accs, int count, int pitch, const double* tm, int n, int width, int stride) {   \
        body::addlines<V, ADDV, ADDR>(accs, count, pitch, tm, n, width, stride);                                        \
    }                                                                                                             \
    TARGET void NAME##ratio(const PairLanes& c, int lanes, const Range* ranges, int nranges, int lane0,           \
                            const double* ssiT, const double* sswT, const double* pT, const std::int32_t* cntT,   \
                            const AlleleStat* sj, double* numout, double* denout) {                               \
        body::ratiolanes<V, RATIOG>(c, lanes, ranges, nranges, lane0, ssiT, sswT, pT, cntT, sj, numout, denout);  \
    }                                                                                                             \
    TARGET void NAME##chunk(const ChunkPairs& c, const double* ssiT, const double* sswT, const double* pT,        \
                            const std::int32_t* cntT, const AlleleStat* sj, double* table) {                     \
        body::chunkterms<V, RATIOG>(c, ssiT, sswT, pT, cntT, sj, table);                                         \
    }                                                                                                             \
    TARGET void NAME##alleles(const ChunkPairs& c, const double* ssiT, const double* sswT, const double* pT,      \
                              const std::int32_t* cntT, const AlleleStat* sj, double* table) {                   \
        body::chunkalleles<V, RATIOG>(c, ssiT, sswT, pT, cntT, sj, table);                                       \
    }                                                                                                             \
    constexpr Kernels NAME{NAME##ssw, NAME##add, NAME##ratio, NAME##chunk, NAME##alleles};

// SSE2 on x86-64, NEON on aarch64: two doubles per vector.
GSTBOOT_KERNELS(baseline, , 2, 2, 12, 3, 4, 2)

#if defined(GSTBOOT_DISPATCH)
GSTBOOT_KERNELS(avx2, __attribute__((target("avx2"))), 4, 4, 8, 4, 3, 1)
// The SSW lanes are a chain of dependent additions per lane, as many
// chains as partners: half-width vectors give twice as many independent
// chains to hide the latency of each addition.
GSTBOOT_KERNELS(avx512, __attribute__((target("avx512f"))), 8, 4, 13, 3, 4, 1)
#endif

#undef GSTBOOT_KERNELS

}  // namespace

const Kernels& kernelsfor(Isa isa) {
#if defined(GSTBOOT_DISPATCH)
    if (isa == Isa::avx512) return avx512;
    if (isa == Isa::avx2) return avx2;
#else
    (void)isa;
#endif
    return baseline;
}

}  // namespace gstboot
