// The memory a scorer takes, estimated from the data set before it is made,
// so that a study too large for the machine is refused up front. The
// estimate follows the layout of the scorers' tables (engine.cpp,
// micengine.cpp, scorer.cpp) and is held by a test to bound what they
// allocate.
#pragma once

#include <cstdint>

#include "model/dataset.h"

namespace gstboot {

struct Footprint {
    std::uint64_t shared = 0;     // the scorer itself, made once
    std::uint64_t perthread = 0;  // one thread's work, with its replicate and estimates
};

// `reference`: the plain scorer (--reference), else the fast one.
Footprint scorerfootprint(const DataSet& ds, bool reference);

// Bytes the data set holds.
std::uint64_t datasetbytes(const DataSet& ds);

}  // namespace gstboot
