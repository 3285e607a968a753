// Raw sets coded into the data set, and the populations of the two files
// matched.
#pragma once

#include <string>
#include <vector>

#include "model/dataset.h"
#include "input/rawset.h"

namespace gstboot {

// The MHC half of `ds` from `set`, its populations in the set's order:
// npop, mhccopies, sample sizes, genotypes, present[0] and popnames. An
// individual with a missing copy is left out; one warning names how many
// of each population, another how many genotypes had one allele missing.
void fillmhc(const RawSet& set, DataSet& ds, std::vector<std::string>& warnings);

// The MIC half of `ds` from `set`: population p of ds is set.pops[order[p]]
// (ds.npop entries). Fills nloci, sample sizes, genotypes (MISSING for
// both alleles of an untyped genotype), the MIC rows of `present`,
// micmissing and locusnames, and warns once of genotypes with one allele
// missing.
void fillmic(const RawSet& set, const std::vector<std::size_t>& order, DataSet& ds,
             std::vector<std::string>& warnings);

// The MIC populations in the MHC file's order, matched by name (both files
// name theirs). A population of one file only is refused at its place in
// that file, with every name found in one file only.
std::vector<std::size_t> matchbyname(const RawSet& mhc, const RawSet& mic);

// Two files of which one at least does not name its populations, matched
// by position: they must hold as many.
std::vector<std::size_t> matchbyposition(const RawSet& mhc, const RawSet& mic);

// The line that shows how populations were paired by position:
// "populations paired by position: 1 = 1 (AMM001 / AMM002), ...", each
// file's name for the population, or "-" where it has none.
std::string pairing(const std::vector<std::string>& mhcnames, const std::vector<std::string>& micnames);

// A named file against a legacy one, which has `npop` populations and is
// matched by position: the named file must hold as many.
std::vector<std::size_t> matchbyposition(const RawSet& named, int npop, const std::string& legacyfile);

}  // namespace gstboot
