#include "output/report.h"

#include <initializer_list>

#include "output/format.h"

namespace gstboot {

namespace {

// Fields of "%8.4f": right-aligned in eight characters, wider when needed.
std::string fields(std::initializer_list<double> values) {
    std::string text;
    for (double v : values) text += format("%8s", fixed4(v).c_str());
    return text;
}

}  // namespace

std::string consoleline(const PairSummary& s) {
    return format("%4d%4d", s.pop1 + 1, s.pop2 + 1) +
           fields({s.mhc.median, s.mhc.lower, s.mhc.upper, s.mic.median, s.mic.lower, s.mic.upper, s.p}) + "\n";
}

std::string fileline(const PairSummary& s) {
    return format("%4d%4d", s.pop1 + 1, s.pop2 + 1) +
           fields({s.mhc.mean, s.mhc.median, s.mhc.lower, s.mhc.upper, s.mic.mean, s.mic.median, s.mic.lower,
                   s.mic.upper, s.p}) +
           "\n";
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
