#include "plain/locusglobal.h"

#include <algorithm>
#include <memory>

#include "model/markerset.h"
#include "plain/components.h"

namespace gstboot {

namespace {

// One locus: each typed population's individuals, w copies each.
struct Locus {
    int w = 0;
    std::vector<std::vector<std::int32_t>> pops;  // typed populations only
};

LocusGlobal measure(const Locus& locus) {
    LocusGlobal out;
    out.pops = static_cast<int>(locus.pops.size());
    if (locus.pops.size() < 2 || locus.w < 1) return out;
    const int k = static_cast<int>(locus.pops.size());
    std::unique_ptr<PopBlock[]> blocks(new PopBlock[locus.pops.size()]);
    std::vector<std::int32_t> sizes;
    std::vector<std::int32_t> codes;
    double he = 0.0;
    for (std::size_t p = 0; p < locus.pops.size(); ++p) {
        const std::vector<std::int32_t>& copies = locus.pops[p];
        const int n = static_cast<int>(copies.size()) / locus.w;
        sizes.push_back(n);
        blocks[p].shape(n, locus.w);
        for (int i = 0; i < n; ++i) {
            for (int c = 0; c < locus.w; ++c) blocks[p][i][c] = copies[static_cast<std::size_t>(i * locus.w + c)];
        }
        codes.insert(codes.end(), copies.begin(), copies.end());
        // Expected heterozygosity from this population's counts.
        std::vector<std::int32_t> sorted = copies;
        std::sort(sorted.begin(), sorted.end());
        const double total = static_cast<double>(sorted.size());
        double squares = 0.0;
        for (std::size_t a = 0; a < sorted.size();) {
            std::size_t b = a;
            while (b < sorted.size() && sorted[b] == sorted[a]) ++b;
            const double f = static_cast<double>(b - a) / total;
            squares = squares + f * f;
            a = b;
        }
        he = he + total / (total - 1.0) * (1.0 - squares);
    }
    out.he = he / static_cast<double>(k);
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    double num = 0.0, den = 0.0;
    for (std::int32_t a : codes) {
        num = num + gstnum(k, sizes.data(), locus.w, a, blocks.get());
        den = den + gstden(k, sizes.data(), locus.w, a, blocks.get());
    }
    out.gst = num / den;
    return out;
}

}  // namespace

std::vector<LocusGlobal> locusglobals(const DataSet& ds) {
    std::vector<LocusGlobal> out;
    for (Set which : SETS) {
        const MarkerSet set(ds, which);
        for (int l = 0; l < set.loci(); ++l) {
            Locus locus;
            locus.w = set.copies();
            for (int p = 0; p < ds.npop; ++p) {
                std::vector<std::int32_t> copies;
                for (int i = 0; i < set.individuals(p); ++i) {
                    if (!set.typed(p, i, l)) continue;
                    const std::int32_t* g = set.genotype(p, i, l);
                    copies.insert(copies.end(), g, g + locus.w);
                }
                if (!copies.empty()) locus.pops.push_back(std::move(copies));
            }
            out.push_back(measure(locus));
        }
    }
    return out;
}

}  // namespace gstboot
