// The MHC set is the copies of one gene. A file whose header names several
// loci is read as the one --mhc-locus picks, or refused, never pooled into
// one gene of more copies; a file that names more loci than the MIC set is
// refused as the two files swapped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "input/rawset.h"

namespace gstboot {

// The locus a column of one allele names: its header up to the last '_',
// '.' or space (the whole header when it has none), as a table's MIC
// columns name their loci.
std::string_view locusof(std::string_view header);

// The loci of an MHC file's columns of one allele each, from their headers:
// each column's locusof, or "" for every column when the headers are mere
// labels (none cut by locusof, all different: c1, c2, c3), which name no
// locus and are the copies of one gene.
std::vector<std::string> copyloci(const std::vector<std::string_view>& headers);

// Which columns of an MHC file (or loci of two copies, in the formats that
// name loci) are read as its copies. `names[k]` is the locus of column k
// ("" for all when the file names none), named at `places[k]`; `pick` is
// --mhc-locus, empty when not given. Fills set.mhcloci and returns true for
// the columns read: those of `pick`, or all when the file names one locus or
// none. When it names several and `pick` is empty, it marks set.unread and
// returns false for all (the reader stops; refusemhcloci says why once the
// MIC set is known). Refuses a pick that is none of the loci, at the first
// column, with the loci the file names.
std::vector<bool> pickcopies(RawSet& set, const std::vector<std::string>& names, const std::vector<Place>& places,
                             std::string_view pick);

// Refuses an MHC set marked unread, at the header cell of its second locus,
// with the loci it names: as the files swapped when the MIC set (of file
// `micfile`) has fewer loci (`micloci`), else asking for --mhc-locus; a
// `micloci` below 0 says the MIC set could not be read, and the message
// then offers both readings.
void refusemhcloci(const RawSet& mhc, long micloci, const std::string& micfile);

// Refuses --mhc-locus for an MHC file in the legacy layout, which names no
// loci.
void refusepick(const std::string& file, std::string_view pick);

}  // namespace gstboot
