// The figure of a run: one SVG drawn here, without a plotting library. Each
// pair is a point at its observed (MIC, MHC) estimates with both
// bias-corrected 95% intervals as whiskers, over the 1:1 line; pairs the
// neutral test calls different at q < QLEVEL are marked in two kinds (the
// MHC less, or more, differentiated than the neutral loci predict),
// numbered and listed in full below the caption; pairs it could not test
// are hollow and grey.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "output/summary.h"

namespace gstboot {

// Above this many pairs the whiskers would hide the points: only the points
// are drawn, and each axis fits the observed estimates alone.
constexpr std::size_t WHISKERLIMIT = 100;
// A summary point beyond this magnitude lies far outside [-1, 1]: drawing it
// would squeeze every other pair into a corner.
constexpr double FARLIMIT = 10.0;

// One axis of the figure: its ends and its ticks.
struct AxisRange {
    double lo = 0.0, hi = 1.0;  // the ends
    double step = 0.2;          // 1, 2, 2.5 or 5 times a power of ten
    long first = 0;             // the ticks are k * step for k = first ...
    long last = 5;              // ... to last, all within [lo, hi]
    int decimals = 1;           // of the tick labels
};

// The axis over data from lo to hi (lo <= hi): from 0 when 0 lies no
// further from the data than their own span, then 4% of the span beyond
// each end, at least MINSPAN wide in all; six to eight steps between ticks.
// Powers of ten come from repeated * and /, the same bits everywhere.
AxisRange axisrange(double lo, double hi);

// The narrowest value range an axis spans: narrower is a rounding residue,
// not a difference to show, and finer ticks would need labels of more than
// 17 decimals.
constexpr double MINSPAN = 1e-6;

// Whether the pair can be drawn: its six points (observed estimate and
// bias-corrected interval of both data sets) are finite and within
// [-FARLIMIT, FARLIMIT].
bool drawable(const PairSummary& pair);

// The whole figure. Stays readable from none to 1225 pairs: marks shrink and
// turn translucent as pairs grow, and each axis spans its own data on round
// ticks (from 0 when 0 is near). Every marked pair is listed; its number
// stands by its point where there is room, never over another number. The
// page grows to hold the list, and every text lies on it (by textwidth()).
// A caption says how many could not be drawn, which `seed` drew the
// replicates and whether the neutral test ran (`neutral`; when it did not,
// every pair counts as not tested). Well-formed XML whatever the names hold.
std::string plotsvg(const std::vector<PairSummary>& pairs, std::uint32_t seed, bool neutral = true);

}  // namespace gstboot
