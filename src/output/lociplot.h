// The per-locus figure (--loci-plot): each locus's Gst over all populations
// against its expected heterozygosity, the MIC loci as points over the band
// of their spread, the MHC marked and named. A locus's Gst falls as its
// diversity rises, so this is the picture in which a reader sees whether
// the MHC is an outlier among loci of its diversity.
#pragma once

#include <string>

#include "output/summary.h"

namespace gstboot {

// An SVG page: axes fitted to the loci's values (He across, Gst up), the
// band of the MIC loci's mean Gst plus and minus two standard deviations,
// the MIC loci as points, the MHC as a red triangle with its name, a caption
// with how many loci could not be drawn and the seed. Well-formed XML
// whatever the names hold; every text on the page.
std::string lociplotsvg(const RunSummary& run);

}  // namespace gstboot
