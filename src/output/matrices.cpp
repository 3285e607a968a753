#include "output/matrices.h"


#include "output/escape.h"
#include "output/table.h"

namespace gstboot {

namespace {

template <typename Value>
std::string matrix(const RunSummary& run, Value value) {
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

std::vector<std::string> matrixnames() {
    std::vector<std::string> names;
    for (Set set : SETS) names.push_back(std::string(setname(set)) + "_gst.tsv");
    for (const SetStatistic& statistic : SETSTATISTICS) {
        for (Set set : SETS) names.push_back(std::string(setname(set)) + "_" + statistic.name + ".tsv");
    }
    return names;
}

std::vector<MatrixFile> matrixfiles(const RunSummary& run) {
    const std::vector<std::string> names = matrixnames();
    std::vector<MatrixFile> files;
    auto name = names.begin();
    for (Set set : SETS) files.push_back({*name++, matrix(run, [set](const PairSummary& s) { return s.of(set).observed; })});
    for (const SetStatistic& statistic : SETSTATISTICS) {
        for (Set set : SETS) {
            const auto field = statistic.pair;
            files.push_back({*name++, matrix(run, [set, field](const PairSummary& s) { return s.of(set).*field; })});
        }
    }
    return files;
}

}  // namespace gstboot
