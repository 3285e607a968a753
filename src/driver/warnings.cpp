#include "driver/warnings.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace gstboot {

namespace {

std::string num(long v) { return std::to_string(v); }

std::string pairname(int i, int j) { return "pair " + num(i + 1) + "-" + num(j + 1); }

std::string showdouble(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3g", v);
    return buf;
}

// One data set as the checks see it.
struct SetView {
    const char* name;          // "MHC" or "MIC"
    const std::string& file;   // its input file, leading every warning
    const std::int32_t* n;     // sample sizes per population
    const char* variation;     // where a pair without variation has one allele
};

bool anypresent(const Presence& present, int first, int rows) {
    for (int r = first; r < first + rows; ++r) {
        for (int a = 0; a < NALLELE; ++a) {
            if (present[r][a] == 1) return true;
        }
    }
    return false;
}

// Why a pair's estimate cannot be a number (or mean anything) in any
// replicate; empty when the sample sizes allow one.
std::string structural(const SetView& set, int i, int j, double observed) {
    const int ni = set.n[i];
    const int nj = set.n[j];
    const std::string est = "the " + std::string(set.name) + " estimate of this pair";
    if (ni == 0 && nj == 0) {
        return "neither population has " + std::string(set.name) + " individuals, so " + est +
               " is not a number in every replicate";
    }
    if (ni == 0 || nj == 0) {
        return "population " + num((ni == 0 ? i : j) + 1) + " has no " + set.name +
               " individuals, so " + est + " compares nothing and is not a number or meaningless in every replicate";
    }
    if (ni + nj == 2) {
        return "each population has a single individual (N - k = 0), so " + est +
               " has no within-population variation to compare with and is not a number in every replicate";
    }
    if (std::isnan(observed)) {
        return "all individuals of the pair carry one and the same allele " + std::string(set.variation) +
               ", so " + est + " is 0/0, not a number, in every replicate";
    }
    return std::string();
}

// `corr`: whether the correction is on, the only source of an infinite
// estimate (a ratio of components is 0/0 or finite).
std::string replicates(const SetView& set, const double* row, bool corr) {
    int nan = 0;
    int inf = 0;
    for (int r = 0; r < NREP; ++r) {
        if (std::isnan(row[r])) ++nan;
        if (std::isinf(row[r])) ++inf;
    }
    if (nan + inf == 0) return std::string();
    const std::string flat = "not a number (replicates without variation in the pair)";
    const std::string het = corr ? " (replicates whose individuals are all heterozygous, so that the correction "
                                   "divides by zero)"
                                 : "";
    std::string what = num(nan + inf) + " of " + num(NREP) + " replicate " + set.name + " estimates are ";
    if (inf == 0) {
        what += flat;
    } else if (nan == 0) {
        what += "infinite" + het;
    } else {
        what += "not finite: " + num(nan) + " " + flat + " and " + num(inf) + " infinite" + het;
    }
    if (nan > 0) {
        return what + "; the sort cannot place a not-a-number, so this pair's mean, median and 95% points may be "
                      "misplaced or not a number";
    }
    return what + ", so this pair's mean and 95% points may be infinite";
}

void addwarning(std::vector<std::string>& out, const SetView& set, const std::string& subject,
                const std::string& text) {
    out.push_back(set.file + ": warning: " + subject + ", " + set.name + " data set: " + text);
}

// Individuals (MHC) or individual-locus pairs (MIC) of the pair that are
// homozygous, as the correction counts them.
int mhchomozygous(const DataSet& ds, int p) {
    int hom = 0;
    for (int k = 0; k < ds.nmhc[p]; ++k) {
        int same = 0;
        for (int c = 1; c < ds.mhccopies; ++c) {
            if (ds.mhc[p][k][c] == ds.mhc[p][k][0]) ++same;
        }
        if (!(same < ds.mhccopies - 1)) ++hom;
    }
    return hom;
}

int michomozygous(const DataSet& ds, int p) {
    int hom = 0;
    for (int k = 0; k < ds.nmic[p]; ++k) {
        for (int l = 0; l < ds.nloci; ++l) {
            if (ds.mic[p][k][l][0] == ds.mic[p][k][l][1]) ++hom;
        }
    }
    return hom;
}

// The divisors of the correction for pair (i, j) of the data as read,
// computed by the scoring's own functions.
class Divisors {
public:
    // Not value-initialised: only the pair's own cells are written and read,
    // and zeroing 8 MB would touch every page.
    explicit Divisors(const DataSet& ds) : ds_(ds), s_(new PairScratch) {}

    double mhc(int i, int j) {
        const int pops[2] = {i, j};
        for (int b = 0; b < 2; ++b) {
            s_->ni[b] = ds_.nmhc[pops[b]];
            for (int k = 0; k < ds_.nmhc[pops[b]]; ++k) {
                for (int c = 0; c < ds_.mhccopies; ++c) s_->gmhc[b][k][c] = ds_.mhc[pops[b]][k][c];
            }
        }
        return mhccorrection(s_->gmhc, s_->ni, ds_.mhccopies);
    }

    double mic(int i, int j) {
        const int pops[2] = {i, j};
        for (int b = 0; b < 2; ++b) {
            s_->ni[b] = ds_.nmic[pops[b]];
            for (int k = 0; k < ds_.nmic[pops[b]]; ++k) {
                for (int l = 0; l < ds_.nloci; ++l) {
                    s_->gmic[l][b][k][0] = ds_.mic[pops[b]][k][l][0];
                    s_->gmic[l][b][k][1] = ds_.mic[pops[b]][k][l][1];
                }
            }
        }
        return miccorrection(s_->gmic, s_->ni, ds_.nloci);
    }

private:
    const DataSet& ds_;
    std::unique_ptr<PairScratch> s_;
};

std::string correction(const SetView& set, double divisor) {
    const std::string what = divisor == 0.0 ? "zero" : "a rounding residue (" + showdouble(divisor) + ") instead of zero";
    return std::string("every individual of the pair is heterozygous") +
           (std::string(set.name) == "MIC" ? " at every locus" : "") +
           ", so the heterozygosity correction divides by " + what + " and this pair's corrected " + set.name +
           " estimates are infinite, not a number or arbitrarily large, in every replicate";
}

}  // namespace

std::vector<std::string> estimatewarnings(const DataSet& ds, const InputPaths& paths,
                                          const PairEstimates& observed, const ResultTables& tables) {
    std::vector<std::string> out;
    if (ds.npop < 2) return out;
    const SetView mhc{"MHC", paths.mhc, ds.nmhc, ""};
    const SetView mic{"MIC", paths.mic, ds.nmic, "at every locus"};
    const std::string every = "every pair (all " + num(static_cast<long>(ds.npop) * (ds.npop - 1) / 2) + ")";
    const bool corr = switchon(ds.corrflag);

    // Causes shared by every pair.
    bool mhcwide = false;
    bool micwide = false;
    if (!anypresent(ds.present, 0, 1)) {
        mhcwide = true;
        addwarning(out, mhc, every,
                   "no allele code is present (no copies or no individuals), so every MHC estimate is not a number");
    }
    if (ds.nloci == 0) {
        micwide = true;
        addwarning(out, mic, every, "there is no locus (nloci = 0), so every MIC estimate is not a number");
    } else if (!anypresent(ds.present, 1, ds.nloci)) {
        micwide = true;
        addwarning(out, mic, every,
                   "no allele code is present at any locus (no individuals), so every MIC estimate is not a number");
    }

    Divisors divisors(ds);
    for (int i = 0; i + 1 < ds.npop; ++i) {
        for (int j = i + 1; j < ds.npop; ++j) {
            const std::string subject = pairname(i, j);
            if (!mhcwide) {
                std::string text;
                const int n = ds.nmhc[i] + ds.nmhc[j];
                if (corr && n > 0 && mhchomozygous(ds, i) + mhchomozygous(ds, j) == 0) {
                    text = correction(mhc, divisors.mhc(i, j));
                }
                if (text.empty()) text = structural(mhc, i, j, observed.mhc[i][j]);
                if (text.empty()) text = replicates(mhc, tables.mhcGST[i][j], corr);
                if (!text.empty()) addwarning(out, mhc, subject, text);
            }
            if (!micwide) {
                std::string text;
                const int n = ds.nmic[i] + ds.nmic[j];
                if (corr && n > 0 && michomozygous(ds, i) + michomozygous(ds, j) == 0) {
                    text = correction(mic, divisors.mic(i, j));
                }
                if (text.empty()) text = structural(mic, i, j, observed.mic[i][j]);
                if (text.empty()) text = replicates(mic, tables.micGST[i][j], corr);
                if (!text.empty()) addwarning(out, mic, subject, text);
            }
        }
    }
    return out;
}

}  // namespace gstboot
