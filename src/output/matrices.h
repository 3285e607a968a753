// The pairs' estimates as square population matrices (--matrices DIR), one
// file per data set and statistic, as R's read.delim(row.names = 1) reads
// them: a header of the populations' names after an empty cell, then one
// row per population, its name first, the diagonal empty.
#pragma once

#include <string>
#include <vector>

#include "output/summary.h"

namespace gstboot {

// The files' names, in matrixfiles()'s order: each set's observed
// estimates, then each statistic of SETSTATISTICS of each set.
std::vector<std::string> matrixnames();

struct MatrixFile {
    std::string name;  // "mhc_gst.tsv", ...
    std::string text;
};

// mhc_gst, mic_gst (the observed estimates), mhc_jost_d, mic_jost_d,
// mhc_gpp_st, mic_gpp_st, each ".tsv"; populations named as the table names
// them (their number from 1 where unnamed).
std::vector<MatrixFile> matrixfiles(const RunSummary& run);

}  // namespace gstboot
