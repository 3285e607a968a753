#include "output/warnings.h"

#include "model/limits.h"

#include <cmath>
#include <cstdio>
#include <map>

namespace gstboot {

namespace {

std::string num(long v) { return std::to_string(v); }

// By number, with the names where the files give them.
std::string pairlabel(const PairSummary& p) {
    const std::string n = num(p.pop1 + 1) + "-" + num(p.pop2 + 1);
    return p.name1.empty() ? n : n + " (" + p.name1 + " - " + p.name2 + ")";
}

std::string showdouble(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3g", v);
    return buf;
}

// One data set as the checks see it.
struct SetView {
    const char* name;          // "MHC" or "MIC"
    const std::string& file;   // its input file, leading every warning
    const char* variation;     // where a pair without variation has one allele
    const SetSummary& (*of)(const PairSummary&);
};

const SetSummary& mhcof(const PairSummary& p) { return p.mhc; }
const SetSummary& micof(const PairSummary& p) { return p.mic; }

// A warning of one pair: its cause (the key lines are shared by), its own
// text, and the text of the shared line.
struct Finding {
    std::string cause;
    std::string text;
    std::string shared;
};

Finding correction(const SetView& set, const SetSummary& s) {
    const std::string where = std::string(set.name) == "MIC" ? " at every locus" : "";
    const std::string what =
        s.facts.divisor == 0.0 ? "zero" : "a rounding residue (" + showdouble(s.facts.divisor) + ") instead of zero";
    const std::string head = "every individual of the pair is heterozygous" + where +
                             ", so the heterozygosity correction divides by ";
    return {"correction",
            head + what + " and this pair's corrected " + set.name +
                " estimates are infinite, not a number or arbitrarily large, in every replicate",
            head + "zero or a rounding residue and their corrected " + set.name +
                " estimates are infinite, not a number or arbitrarily large, in every replicate"};
}

// Why a pair's estimate cannot be a number in any replicate; no cause when
// the data as read give one.
Finding structural(const SetView& set, const PairSummary& p, const SetSummary& s) {
    const std::string none = "so this pair has no " + std::string(set.name) + " estimate (not a number) in any replicate";
    const std::string nones = "so these pairs have no " + std::string(set.name) + " estimate (not a number) in any replicate";
    if (s.n1 == 0 && s.n2 == 0) {
        const std::string head = "neither population has " + std::string(set.name) + " individuals: there is nothing to compare, ";
        return {"empty2", head + none, head + nones};
    }
    if (s.n1 == 0 || s.n2 == 0) {
        const std::string tail = " individuals: there is nothing to compare it with, ";
        return {"empty1", "population " + num((s.n1 == 0 ? p.pop1 : p.pop2) + 1) + " has no " + set.name + tail + none,
                "one population of each pair has no " + std::string(set.name) + tail + nones};
    }
    if (s.facts.nolocus) {
        const std::string head = "no locus has typed individuals in both populations: there is nothing to compare, ";
        return {"nolocus", head + none, head + nones};
    }
    if (s.n1 + s.n2 == 2) {
        const std::string head = "each population has a single individual (N - k = 0): there is no variation "
                                 "within populations to compare with, ";
        return {"singles", head + none, head + nones};
    }
    if (s.facts.onevalue) {
        const std::string what = std::string(set.name) == "MIC" ? " allele only at every MIC locus" : " MHC allele only";
        const std::string tail = ": there is no variation to split, ";
        return {"onevalue",
                "populations " + num(p.pop1 + 1) + " and " + num(p.pop2 + 1) + " carry one" + what + tail + none,
                "the two populations of each pair carry one and the same" + what + tail + nones};
    }
    return {};
}

// `corr`: whether the correction is on, the only source of an infinite
// estimate (a ratio of components is 0/0 or finite).
Finding replicates(const SetView& set, const SetSummary& s, bool corr) {
    const int nan = s.nan;
    const int inf = s.inf;
    if (nan + inf == 0) return {};
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
    const std::string misplaced =
        "; the sort cannot place a not-a-number, so this pair's mean, median and 95% points may be "
        "misplaced or not a number";
    const std::string infinite = ", so this pair's mean and 95% points may be infinite";
    return {"replicates", what + (nan > 0 ? misplaced : infinite),
            "some replicate " + std::string(set.name) +
                " estimates are not finite (a replicate without variation, or one whose individuals are all "
                "heterozygous with the correction on), so these pairs' means, medians and 95% points may be "
                "misplaced, infinite or not a number"};
}

Finding findingof(const SetView& set, const PairSummary& p, bool corr) {
    const SetSummary& s = set.of(p);
    if (corr && s.facts.allheterozygous) return correction(set, s);
    Finding f = structural(set, p, s);
    if (f.cause.empty()) f = replicates(set, s, corr);
    return f;
}

void setwarnings(const RunSummary& run, const SetView& set, const SetWide& wide, std::vector<std::string>& out) {
    const std::string lead = set.file + ": warning: ";
    const std::string every = "every pair (all " + num(static_cast<long>(run.pairs.size())) + "), ";
    if (wide.nolocus) {
        out.push_back(lead + every + set.name +
                      " data set: there is no locus (nloci = 0), so every MIC estimate is not a number");
        return;
    }
    if (wide.noallele) {
        out.push_back(lead + every + set.name + " data set: " +
                      (std::string(set.name) == "MIC"
                           ? "no allele code is present at any locus (no individuals), so every MIC estimate is not "
                             "a number"
                           : "no allele code is present (no copies or no individuals), so every MHC estimate is "
                             "not a number"));
        return;
    }
    std::vector<Finding> found;
    std::map<std::string, std::vector<const PairSummary*>> bycause;
    for (const PairSummary& p : run.pairs) {
        found.push_back(findingof(set, p, run.correction));
        if (!found.back().cause.empty()) bycause[found.back().cause].push_back(&p);
    }
    for (std::size_t k = 0; k < run.pairs.size(); ++k) {
        const Finding& f = found[k];
        if (f.cause.empty()) continue;
        const std::vector<const PairSummary*>& pairs = bycause[f.cause];
        if (pairs.size() <= static_cast<std::size_t>(GROUPAFTER)) {
            out.push_back(lead + "pair " + pairlabel(run.pairs[k]) + ", " + set.name + " data set: " + f.text);
            continue;
        }
        if (pairs.front() != &run.pairs[k]) continue;  // the shared line stands at its first pair
        std::string names;
        for (std::size_t n = 0; n < pairs.size() && n < static_cast<std::size_t>(GROUPNAMES); ++n) {
            names += (n ? ", " : "") + pairlabel(*pairs[n]);
        }
        if (pairs.size() > static_cast<std::size_t>(GROUPNAMES)) {
            names += " and " + num(static_cast<long>(pairs.size()) - GROUPNAMES) + " more";
        }
        out.push_back(lead + num(static_cast<long>(pairs.size())) + " pairs (" + names + "), " + set.name +
                      " data set: " + f.shared + "; the table (--table) gives every pair's estimates and finite counts");
    }
}

}  // namespace

std::vector<std::string> estimatewarnings(const RunSummary& run) {
    std::vector<std::string> out;
    if (run.pairs.empty()) return out;
    setwarnings(run, SetView{"MHC", run.mhcfile, "", mhcof}, run.mhcwide, out);
    setwarnings(run, SetView{"MIC", run.micfile, "at every locus", micof}, run.micwide, out);
    return out;
}

}  // namespace gstboot
