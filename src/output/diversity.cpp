#include "output/diversity.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "model/markerset.h"
#include "output/escape.h"
#include "output/table.h"

namespace gstboot {

namespace {

constexpr double NOTANUMBER = std::numeric_limits<double>::quiet_NaN();

// One locus of one population: every typed individual's w copies.
struct Sample {
    int w = 0;
    std::vector<std::int32_t> copies;  // individual by individual
    long individuals() const { return w > 0 ? static_cast<long>(copies.size()) / w : 0; }
};

struct LocusFigures {
    double n = 0.0, alleles = 0.0, richness = 0.0, ho = 0.0, he = 0.0;
};

// The allele counts of `s`, in ascending code order.
std::vector<long> counts(const Sample& s) {
    std::vector<std::int32_t> sorted = s.copies;
    std::sort(sorted.begin(), sorted.end());
    std::vector<long> out;
    for (std::size_t a = 0; a < sorted.size();) {
        std::size_t b = a;
        while (b < sorted.size() && sorted[b] == sorted[a]) ++b;
        out.push_back(static_cast<long>(b - a));
        a = b;
    }
    return out;
}

LocusFigures figures(const Sample& s, long g) {
    LocusFigures f;
    const long n = s.individuals();
    const long big = n * s.w;
    const double total = static_cast<double>(big);
    f.n = static_cast<double>(n);
    const std::vector<long> c = counts(s);
    f.alleles = static_cast<double>(c.size());
    double squares = 0.0, richness = 0.0;
    for (long ca : c) {
        const double p = static_cast<double>(ca) / total;
        squares = squares + p * p;
        double absent = 1.0;  // no copy of a among g drawn without replacement
        for (long t = 0; t < g; ++t) absent = absent * (static_cast<double>(big - ca - t) / static_cast<double>(big - t));
        richness = richness + (1.0 - absent);
    }
    f.richness = richness;
    f.he = total / (total - 1.0) * (1.0 - squares);
    if (s.w < 2) {
        f.ho = NOTANUMBER;
        return f;
    }
    const double pairs = static_cast<double>(s.w) * static_cast<double>(s.w - 1);
    double sum = 0.0;
    for (long i = 0; i < n; ++i) {
        std::vector<std::int32_t> own(s.copies.begin() + i * s.w, s.copies.begin() + (i + 1) * s.w);
        std::sort(own.begin(), own.end());
        double alike = 0.0;
        for (std::size_t a = 0; a < own.size();) {
            std::size_t b = a;
            while (b < own.size() && own[b] == own[a]) ++b;
            const double x = static_cast<double>(b - a);
            alike = alike + x * (x - 1.0);
            a = b;
        }
        sum = sum + (1.0 - alike / pairs);
    }
    f.ho = sum / f.n;
    return f;
}

// The rows of one set: samples[p][l] for population p and locus l.
std::string rows(const char* set, const std::vector<std::vector<Sample>>& samples, const DataSet& ds) {
    const std::size_t loci = samples.empty() ? 0 : samples[0].size();
    std::vector<long> smallest(loci, 0);
    for (std::size_t l = 0; l < loci; ++l) {
        for (const auto& pop : samples) {
            const long big = pop[l].individuals() * pop[l].w;
            if (big > 0 && (smallest[l] == 0 || big < smallest[l])) smallest[l] = big;
        }
    }
    std::string out;
    for (std::size_t p = 0; p < samples.size(); ++p) {
        LocusFigures sum;
        int typed = 0;
        for (std::size_t l = 0; l < loci; ++l) {
            const Sample& s = samples[p][l];
            if (s.individuals() < 1 || s.individuals() * s.w < 2) continue;
            const LocusFigures f = figures(s, smallest[l]);
            sum.n = sum.n + f.n;
            sum.alleles = sum.alleles + f.alleles;
            sum.richness = sum.richness + f.richness;
            sum.ho = sum.ho + f.ho;
            sum.he = sum.he + f.he;
            ++typed;
        }
        const double k = typed > 0 ? static_cast<double>(typed) : NOTANUMBER;
        const double ho = sum.ho / k, he = sum.he / k;
        const std::string name = p < ds.popnames.size() ? tsvcell(ds.popnames[p]) : std::string();
        out += std::string(set) + "\t" + std::to_string(p + 1) + "\t" + name + "\t" + std::to_string(typed);
        for (double v : {sum.n / k, sum.alleles / k, sum.richness / k, ho, he, 1.0 - ho / he}) out += "\t" + shortest(v);
        out += "\n";
    }
    return out;
}

}  // namespace

std::string diversitytext(const DataSet& ds) {
    std::string text = "set\tpop\tname\tloci\tn\talleles\trichness\tho\the\tfis\n";
    for (Set which : SETS) {
        const MarkerSet set(ds, which);
        if (set.loci() == 0 || set.copies() == 0) continue;
        // samples[p][l]: the typed individuals of population p at locus l.
        std::vector<std::vector<Sample>> samples(static_cast<std::size_t>(ds.npop),
                                                 std::vector<Sample>(static_cast<std::size_t>(set.loci())));
        for (int p = 0; p < ds.npop; ++p) {
            for (int l = 0; l < set.loci(); ++l) {
                Sample& s = samples[static_cast<std::size_t>(p)][static_cast<std::size_t>(l)];
                s.w = set.copies();
                for (int i = 0; i < set.individuals(p); ++i) {
                    if (!set.typed(p, i, l)) continue;
                    const std::int32_t* g = set.genotype(p, i, l);
                    s.copies.insert(s.copies.end(), g, g + s.w);
                }
            }
        }
        text += rows(setname(which), samples, ds);
    }
    return text;
}

}  // namespace gstboot
