// The pair matrix as an SVG heatmap: population i's row and column j's
// cell holds the pair's observed MHC estimate below the diagonal (row >
// column) and its observed MIC estimate above it, on one colour scale with
// its legend; population names on both axes; pairs the neutral test calls
// different at q < QLEVEL are marked in both their cells ("-" less
// differentiated than the neutral loci, "+" more). Cells shrink with the
// number of populations and stay legible at 50 (1,225 pairs).
#pragma once

#include <string>

#include "output/summary.h"

namespace gstboot {

std::string heatmapsvg(const RunSummary& run);

}  // namespace gstboot
