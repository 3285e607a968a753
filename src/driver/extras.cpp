#include "driver/extras.h"

#include <memory>

#include "driver/outfile.h"
#include "driver/plot.h"
#include "driver/table.h"
#include "driver/warnings.h"

namespace gstboot {

namespace {

void writewhole(const std::string& path, const std::string& text) {
    OutputFile file(path);
    file.write(text);
    file.commit();
}

}  // namespace

Extras collectextras(const Options& options, const DataSet& ds, const ResultTables& tables, std::FILE* err) {
    auto observed = std::make_unique<PairEstimates>();
    scoreobserved(ds, *observed);
    for (const std::string& w : estimatewarnings(ds, options.inputs, *observed, tables)) {
        std::fprintf(err, "%s\n", w.c_str());
    }
    return Extras{collectpairs(ds, *observed, tables)};
}

void writeextras(const Options& options, std::uint32_t seed, const ResultTables& tables, Extras& extras) {
    takesorted(tables, extras.pairs);
    if (!options.table.empty()) writewhole(options.table, tabletext(extras.pairs, seed));
    if (!options.plot.empty()) writewhole(options.plot, plotsvg(extras.pairs));
}

}  // namespace gstboot
