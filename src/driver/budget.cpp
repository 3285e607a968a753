#include "driver/budget.h"

#include <cstdio>

#include "common/error.h"
#include "estimates/footprint.h"
#include "model/pairtables.h"

namespace gstboot {

namespace {

// The program, its libraries and the allocator's own bookkeeping.
constexpr std::uint64_t BASE = std::uint64_t{16} << 20;
// The stack of a worker thread (the common default).
constexpr std::uint64_t STACK = std::uint64_t{8} << 20;

std::string mib(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu MiB", static_cast<unsigned long long>((bytes + (1u << 20) - 1) >> 20));
    return text;
}

std::string studysize(const DataSet& ds) {
    long mhc = 0, mic = 0;
    for (int p = 0; p < ds.npop; ++p) {
        mhc += ds.nmhc[p];
        mic += ds.nmic[p];
    }
    return std::to_string(ds.npop) + " populations, " + std::to_string(mhc) + " MHC individuals of " +
           std::to_string(ds.mhccopies) + " copies, " + std::to_string(mic) + " MIC individuals at " +
           std::to_string(ds.nloci) + " loci";
}

}  // namespace

std::uint64_t runbytes(const DataSet& ds, bool reference, int threads) {
    const Footprint f = scorerfootprint(ds, reference);
    const auto npop = static_cast<std::uint64_t>(ds.npop);
    const std::uint64_t tables = 2 * ReplicateTable::bytes(ds.npop) + 2 * 8 * npop * npop;
    const auto workers = static_cast<std::uint64_t>(threads);
    // One more work for the data as read, scored after the replicates.
    return BASE + datasetbytes(ds) + tables + f.shared + (workers + 1) * f.perthread +
           (threads > 1 ? workers * STACK : 0);
}

int fitthreads(const DataSet& ds, bool reference, int threads, const MemoryLimit& limit,
               std::vector<std::string>& warnings) {
    if (limit.bytes == 0) return threads;
    const std::uint64_t one = runbytes(ds, reference, 1);
    if (one > limit.bytes) {
        throw Error(ErrorKind::system, "gstboot: the study (" + studysize(ds) + ") needs about " + mib(one) +
                                           " of memory, more than the " + mib(limit.bytes) + " of " + limit.what +
                                           "; nothing was written");
    }
    int fit = threads;
    while (fit > 1 && runbytes(ds, reference, fit) > limit.bytes) --fit;
    if (fit < threads) {
        warnings.push_back("gstboot: warning: " + std::to_string(threads) + " threads would need about " +
                           mib(runbytes(ds, reference, threads)) + " of memory, more than the " + mib(limit.bytes) +
                           " of " + limit.what + "; running " + std::to_string(fit) +
                           (fit == 1 ? " thread" : " threads") + ", which gives the same results");
    }
    return fit;
}

}  // namespace gstboot
