#include "driver/extras.h"

#include <memory>

#include "driver/outfile.h"
#include "driver/plot.h"
#include "driver/table.h"
#include "driver/warnings.h"

namespace gstboot {

Extras collectextras(const Options& options, const DataSet& ds, const ResultTables& tables, std::FILE* err) {
    auto observed = std::make_unique<PairEstimates>();
    scoreobserved(ds, *observed);
    for (const std::string& w : estimatewarnings(ds, options.inputs, *observed, tables)) {
        std::fprintf(err, "%s\n", w.c_str());
    }
    return Extras{collectpairs(ds, *observed, tables)};
}

void writeextras(std::uint32_t seed, const ResultTables& tables, Extras& extras, OutputFile* table,
                 OutputFile* plot) {
    takesorted(tables, extras.pairs);
    if (table) table->write(tabletext(extras.pairs, seed));
    if (plot) plot->write(plotsvg(extras.pairs));
}

}  // namespace gstboot
