#include "output/neutraltext.h"

#include <cmath>

#include "output/format.h"

namespace gstboot {

namespace {

std::string num(long v) { return std::to_string(v); }

std::string pairs(long n) { return num(n) + (n == 1 ? " pair" : " pairs"); }

}  // namespace

std::string neutralline(const RunSummary& run) {
    if (run.neutraldraws == 0 || run.pairs.empty()) return "";
    long tested = 0, less = 0, more = 0;
    int fewest = 0, most = 0;
    for (const PairSummary& p : run.pairs) {
        if (!std::isfinite(p.neutral.p)) continue;
        if (tested == 0 || p.neutral.loci < fewest) fewest = p.neutral.loci;
        if (tested == 0 || p.neutral.loci > most) most = p.neutral.loci;
        ++tested;
        if (p.neutral.q < QLEVEL) ++(p.neutral.z < 0.0 ? less : more);
    }
    if (tested == 0) return "neutral test: no pair could be tested";
    const std::string loci = fewest == most ? num(most) + " MIC loci calibrate it"
                                            : num(fewest) + " to " + num(most) + " MIC loci calibrate each pair";
    return "neutral test: " + num(less + more) + " of " + pairs(tested) + " differ at q < 0.05 (" + num(less) +
           " less differentiated than the neutral loci, " + num(more) + " more); " + loci;
}

std::vector<std::string> studylines(const RunSummary& run) {
    const StudySummary& s = run.study;
    if (!s.done) return {};
    const StudyPlacement& l = s.locus;
    if (!std::isfinite(l.p)) {
        return {run.micfile + ": warning: the study's answer is not a number: it needs at least 8 MIC loci and 3 pairs "
                              "with the MHC placed by the neutral test, and has " +
                num(l.loci) + " and " + num(l.pairs) + " (or the MIC loci's positions do not vary)"};
    }
    std::vector<std::string> out;
    auto answer = [&](const StudyPlacement& at, const std::string& what) {
        const std::string stats = "(T = " + fixed(at.t, 2) + ", p = " + fixed(at.p, 4) + ")";
        const std::string over = "study: over " + pairs(at.pairs) + " " + what + " is ";
        if (!std::isfinite(at.p)) {
            out.push_back(over + "not placed (too few pairs)");
        } else if (at.p < QLEVEL) {
            out.push_back(over + (at.t < 0.0 ? "less" : "more") + " differentiated than the " + num(at.loci) +
                          " MIC loci predict " + stats);
        } else {
            out.push_back(over + "not found to differ from what the " + num(at.loci) + " MIC loci predict " + stats);
        }
    };
    for (std::size_t k = 0; k < s.mhcloci.size(); ++k) {
        answer(s.mhcloci[k], "the MHC locus " + (k < s.mhcnames.size() ? s.mhcnames[k] : num(static_cast<long>(k) + 1)));
    }
    if (s.mhcloci.empty()) {
        answer(l, "the MHC" + (s.mhcnames.empty() ? std::string() : " (" + s.mhcnames[0] + ")"));
    } else {
        answer(l, "the MHC, its " + num(static_cast<long>(s.mhcloci.size())) + " loci jointly,");
    }
    std::string called;
    for (std::size_t i = 0; i < s.populations.size(); ++i) {
        const StudyPlacement& pop = s.populations[i];
        if (!(pop.q < QLEVEL)) continue;
        const std::string name = i < s.popnames.size() && !s.popnames[i].empty() ? s.popnames[i] : num(static_cast<long>(i) + 1);
        called += (called.empty() ? "" : ", ") + name + " (" + (pop.t < 0.0 ? "less" : "more") + ", T = " +
                  fixed(pop.t, 2) + ", q = " + fixed(pop.q, 4) + ")";
    }
    out.push_back(called.empty() ? "study: no population stands apart from the rest at q < 0.05"
                                 : "study: populations where the MHC stands apart from the rest at q < 0.05: " + called);
    return out;
}

std::vector<std::string> reportlines(const RunSummary& run) {
    const std::string pairpart = "each pair's observed MHC and MIC estimates with their bias-corrected 95% intervals (--table)";
    const std::string head = run.study.done && std::isfinite(run.study.locus.p)
                                 ? "to report: the study's answer above (T and p of the MHC over all pairs, and the "
                                   "populations where it stands apart; --study), " + pairpart
                                 : "to report: " + pairpart;
    if (run.neutralleftout) return {head + "; the neutral test was left out (see the warning above), so no pair is called different"};
    if (run.neutraldraws == 0) return {head + "; the neutral test was off (--neutral-draws 0), so no pair is called different"};
    long tested = 0;
    std::vector<const PairSummary*> called;
    for (const PairSummary& p : run.pairs) {
        if (!std::isfinite(p.neutral.p)) continue;
        ++tested;
        if (p.neutral.q < QLEVEL) called.push_back(&p);
    }
    if (tested == 0) return {head + "; the neutral test could test no pair, so none is called different"};
    if (called.empty()) {
        return {head + "; the neutral test calls no pair different from the neutral loci at q < 0.05 (" + pairs(tested) +
                " tested)"};
    }
    std::vector<std::string> out{head + ", and, as description (per pair the test has little power), the " +
                                 num(static_cast<long>(called.size())) + " of " + pairs(tested) +
                                 " tested that it calls different at q < 0.05:"};
    auto who = [](int pop, const std::string& name) { return num(pop + 1) + (name.empty() ? "" : " " + name); };
    for (const PairSummary* p : called) {
        out.push_back("  " + who(p->pop1, p->name1) + " - " + who(p->pop2, p->name2) + ": MHC " +
                      (p->neutral.z < 0.0 ? "less" : "more") + " differentiated than the neutral loci predict (neutral_z " +
                      fixed(p->neutral.z, 2) + ", neutral_q " + fixed(p->neutral.q, 4) + ")");
    }
    return out;
}

std::vector<std::string> neutralwarnings(const RunSummary& run, int minloci) {
    std::vector<std::string> out;
    if (run.neutraldraws == 0) return out;
    long few = 0, other = 0;
    for (const PairSummary& p : run.pairs) {
        if (std::isfinite(p.neutral.p)) continue;
        ++(p.neutral.loci < minloci ? few : other);
    }
    const long all = static_cast<long>(run.pairs.size());
    if (few > 0) {
        out.push_back(run.micfile + ": warning: " + num(few) + " of " + pairs(all) + " have fewer than " +
                      num(minloci) +
                      " MIC loci with variation in both populations, too few to calibrate the neutral test: "
                      "their neutral_z, neutral_p and neutral_q are not a number");
    }
    if (other > 0) {
        out.push_back(run.mhcfile + ": warning: " + num(other) + " of " + pairs(all) +
                      " cannot be placed by the neutral test (no MHC variation in the pair, or every MIC locus "
                      "placed alike): their neutral_z, neutral_p and neutral_q are not a number");
    }
    return out;
}

}  // namespace gstboot
