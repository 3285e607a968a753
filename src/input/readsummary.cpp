#include "input/readsummary.h"

namespace gstboot {

namespace {

std::string count(long long n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

std::string line(const std::string& file, const char* format, long long npop, long long individuals) {
    return file + ": " + format + ", " + count(npop, "population", "populations") + ", " +
           count(individuals, "individual", "individuals");
}

}  // namespace

std::string percent(long long part, long long whole) {
    if (whole <= 0) return "0.0%";
    const long long tenths = (2000 * part + whole) / (2 * whole);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "%";
}

std::string describeraw(const RawSet& set) {
    long long individuals = 0, missing = 0, values = 0;
    for (const RawPopulation& p : set.pops) {
        individuals += static_cast<long long>(p.individuals.size());
        values += static_cast<long long>(p.alleles.size());
        for (std::int32_t a : p.alleles) missing += a == MISSING;
    }
    std::string out = line(set.file, formattitle(set.format), static_cast<long long>(set.pops.size()), individuals);
    if (set.role == Role::mhc) {
        const long long alleles = set.labels.empty() ? 0 : static_cast<long long>(set.labels[0].size());
        out += ", " + count(set.width, "copy", "copies") + ", " + count(alleles, "allele", "alleles");
        if (missing > 0) out += ", " + percent(missing, values) + " copies missing";
        return out;
    }
    // A MIC genotype's two alleles are missing together.
    return out + ", " + count(set.width / 2, "locus", "loci") + ", " + percent(missing / 2, values / 2) + " genotypes missing";
}

std::string describelegacy(const std::string& file, const DataSet& ds, Role role) {
    long long individuals = 0;
    const SampleSizes& sizes = role == Role::mhc ? ds.nmhc : ds.nmic;
    for (int p = 0; p < ds.npop; ++p) individuals += sizes[p];
    std::string out = line(file, "legacy", ds.npop, individuals);
    if (role == Role::mic) return out + ", " + count(ds.nloci, "locus", "loci");
    long long alleles = 0;
    for (int a = 0; a < ds.present.width(0); ++a) alleles += ds.present[0][a];
    return out + ", " + count(ds.mhccopies, "copy", "copies") + ", " + count(alleles, "allele", "alleles");
}

}  // namespace gstboot
