// The MHC set is one gene's copies, or several genes of as many copies each.
// A file whose header names several loci is read as that many MHC loci (or
// as the one --mhc-locus picks), never pooled into one gene of more copies;
// a file that names more loci than the MIC set is refused as the two files
// swapped.
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
// name loci) are read as its copies. `names[k]` is the locus of entry k
// ("" for all when the file names none), named at `places[k]`, and brings
// `each` copies; `pick` is --mhc-locus, empty when not given. Returns true
// for the entries read: those of `pick`, or all. Fills set.mhcloci with the
// loci read (none when the file names none) and set.mhclocusof with each
// entry's index among them. Refuses a pick that is none of the loci, at
// the first entry, with the loci the file names; and, at its place, an
// entry of a locus whose entries are not side by side, or a locus of
// other copies than the first.
std::vector<bool> pickcopies(RawSet& set, const std::vector<std::string>& names, const std::vector<Place>& places,
                             std::string_view pick, int each);

// Refuses an MHC set of several loci, at its second locus, as the files
// swapped when the MIC set (of file `micfile`) has fewer loci (`micloci`).
void refusemhcloci(const RawSet& mhc, long micloci, const std::string& micfile);

// Refuses --mhc-locus for an MHC file in the legacy layout, which names no
// loci.
void refusepick(const std::string& file, std::string_view pick);

}  // namespace gstboot
