#include "output/matrices.h"

#include <iterator>

#include "output/escape.h"
#include "output/table.h"

namespace gstboot {

namespace {

std::string matrix(const RunSummary& run, double (*value)(const PairSummary&)) {
    const std::size_t n = static_cast<std::size_t>(run.npop);
    std::vector<std::string> names(n);
    std::vector<std::vector<std::string>> cells(n, std::vector<std::string>(n));
    for (std::size_t p = 0; p < n; ++p) names[p] = std::to_string(p + 1);
    for (const PairSummary& s : run.pairs) {
        const auto i = static_cast<std::size_t>(s.pop1), j = static_cast<std::size_t>(s.pop2);
        if (!s.name1.empty()) names[i] = tsvcell(s.name1);
        if (!s.name2.empty()) names[j] = tsvcell(s.name2);
        cells[i][j] = cells[j][i] = shortest(value(s));
    }
    std::string text;
    for (std::size_t p = 0; p < n; ++p) text += "\t" + names[p];
    text += "\n";
    for (std::size_t i = 0; i < n; ++i) {
        text += names[i];
        for (std::size_t j = 0; j < n; ++j) text += "\t" + cells[i][j];
        text += "\n";
    }
    return text;
}

}  // namespace

std::vector<MatrixFile> matrixfiles(const RunSummary& run) {
    double (*const values[])(const PairSummary&) = {
        [](const PairSummary& s) { return s.mhc.observed; }, [](const PairSummary& s) { return s.mic.observed; },
        [](const PairSummary& s) { return s.mhc.jostd; },    [](const PairSummary& s) { return s.mic.jostd; },
        [](const PairSummary& s) { return s.mhc.gppst; },    [](const PairSummary& s) { return s.mic.gppst; },
    };
    std::vector<MatrixFile> files;
    for (std::size_t k = 0; k < std::size(MATRIXNAMES); ++k) files.push_back({MATRIXNAMES[k], matrix(run, values[k])});
    return files;
}

}  // namespace gstboot
