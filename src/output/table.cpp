#include "output/table.h"

#include <charconv>
#include <cmath>

#include "model/limits.h"
#include "output/escape.h"

namespace gstboot {

std::string shortest(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Inf" : "-Inf";
    char buf[64];
    std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

namespace {

const char* const SETCOLUMNS[] = {"observed", "mean", "median", "lower", "upper", "finite"};

void addset(std::string& line, const SetSummary& s) {
    const std::string values[] = {shortest(s.observed), shortest(s.mean),  shortest(s.median),
                                  shortest(s.lower),    shortest(s.upper), std::to_string(s.finite)};
    for (const std::string& v : values) line += "\t" + v;
}

}  // namespace

namespace {

// "\tmhc_jost_d\tmic_jost_d\t...": each statistic of each set.
std::string statisticsheader() {
    std::string h;
    for (const SetStatistic& statistic : SETSTATISTICS) {
        for (Set set : SETS) h += std::string("\t") + setname(set) + "_" + statistic.name;
    }
    return h;
}

}  // namespace

std::string tableheader() {
    std::string h = "pop1\tpop2\tname1\tname2\tn_mhc1\tn_mhc2\tn_mic1\tn_mic2";
    for (const char* set : {"mhc_", "mic_"}) {
        for (const char* c : SETCOLUMNS) h += std::string("\t") + set + c;
    }
    return h + "\tmic_loci\tfrac_mhc_gt_mic\tp\tseed" +
           "\tmhc_ci_lower\tmhc_ci_upper\tmic_ci_lower\tmic_ci_upper\tneutral_z\tneutral_p\tneutral_q\tneutral_loci" +
           statisticsheader() + "\n";
}

std::string tabletext(const RunSummary& run) {
    std::string text = tableheader();
    for (const PairSummary& s : run.pairs) {
        const std::string one = std::to_string(s.pop1 + 1);
        const std::string two = std::to_string(s.pop2 + 1);
        std::string line = one + "\t" + two + "\t" + (s.name1.empty() ? one : tsvcell(s.name1)) + "\t" +
                           (s.name2.empty() ? two : tsvcell(s.name2));
        for (int n : {s.mhc.n1, s.mhc.n2, s.mic.n1, s.mic.n2}) line += "\t" + std::to_string(n);
        addset(line, s.mhc);
        addset(line, s.mic);
        // From the count, divided once: exact, and within [0, 1].
        const int folded = s.greater > NREP - s.greater ? NREP - s.greater : s.greater;
        line += "\t" + std::to_string(s.micloci) + "\t" + shortest(s.greater / static_cast<double>(NREP)) + "\t" +
                shortest(folded / static_cast<double>(NREP)) + "\t" + std::to_string(run.seed);
        for (double v : {s.mhc.cilower, s.mhc.ciupper, s.mic.cilower, s.mic.ciupper, s.neutral.z, s.neutral.p,
                         s.neutral.q}) {
            line += "\t" + shortest(v);
        }
        line += "\t" + std::to_string(s.neutral.loci);
        for (const SetStatistic& statistic : SETSTATISTICS) {
            for (Set set : SETS) line += "\t" + shortest(s.of(set).*statistic.pair);
        }
        line += "\n";
        text += line;
    }
    return text;
}

}  // namespace gstboot
