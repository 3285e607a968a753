// The figure of a run: one SVG drawn here, without a plotting library. Each
// pair is a point at its observed (MIC, MHC) estimates with both
// bias-corrected 95% intervals as whiskers, over the 1:1 line; pairs the
// neutral test calls different at q < QLEVEL are marked in two kinds (the
// MHC less, or more, differentiated than the neutral loci predict),
// numbered and listed in a legend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/summary.h"

namespace gstboot {

// The legend lists at most this many marked pairs, then "… and N more".
constexpr int LEGEND_CAP = 20;
// A summary point beyond this magnitude lies far outside [-1, 1]: drawing it
// would squeeze every other pair into a corner.
constexpr double FARLIMIT = 10.0;

// Whether the pair can be drawn: its six points (observed estimate and
// bias-corrected interval of both data sets) are finite and within
// [-FARLIMIT, FARLIMIT].
bool drawable(const PairSummary& pair);

// The whole figure. Stays readable from none to 1225 pairs: marks shrink and
// turn translucent as pairs grow. A caption says how many could not be
// drawn, which `seed` drew the replicates and whether the neutral test ran
// (`neutral`; when it did not, no pair is marked). Well-formed XML whatever
// the names hold.
std::string plotsvg(const std::vector<PairSummary>& pairs, std::uint32_t seed, bool neutral = true);

}  // namespace gstboot
