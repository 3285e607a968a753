#include "output/report.h"

#include "output/format.h"

namespace gstboot {

std::string consoleline(const PairSummary& s) {
    return format("%4d%4d%8.4f%8.4f%8.4f", s.pop1 + 1, s.pop2 + 1, s.mhc.median, s.mhc.lower, s.mhc.upper) +
           format("%8.4f%8.4f%8.4f%8.4f\n", s.mic.median, s.mic.lower, s.mic.upper, s.p);
}

std::string fileline(const PairSummary& s) {
    return format("%4d%4d%8.4f%8.4f%8.4f%8.4f", s.pop1 + 1, s.pop2 + 1, s.mhc.mean, s.mhc.median, s.mhc.lower,
                  s.mhc.upper) +
           format("%8.4f%8.4f%8.4f%8.4f%8.4f\n", s.mic.mean, s.mic.median, s.mic.lower, s.mic.upper, s.p);
}

std::string consoletext(const RunSummary& run) {
    std::string text;
    for (const PairSummary& s : run.pairs) text += consoleline(s);
    return text;
}

std::string filetext(const RunSummary& run) {
    std::string text;
    for (const PairSummary& s : run.pairs) text += fileline(s);
    return text;
}

}  // namespace gstboot
