// The pair matrix as an SVG heatmap: population i's row and column j's
// cell holds the pair's observed MHC estimate below the diagonal (row >
// column) and its observed MIC estimate above it, with a colour bar for
// each scale; population names on both axes; pairs the neutral test calls
// different at q < QLEVEL are marked in both their cells ("-" less
// differentiated than the neutral loci, "+" more), pairs it could not test
// carry a hollow ring. Cells shrink with the number of populations and stay
// legible at 50 (1,225 pairs); every text lies on the page (by textwidth()).
#pragma once

#include <string>

#include "output/summary.h"

namespace gstboot {

// How the two halves are coloured: one scale over both data sets, so that a
// colour means one value everywhere; or each half over its own range, so
// that the MIC half, whose estimates are often a tenth of the MHC's, shows
// its own pattern instead of one dark shade.
enum class ColourScale { shared, separate };

std::string heatmapsvg(const RunSummary& run, ColourScale scale = ColourScale::separate);

}  // namespace gstboot
