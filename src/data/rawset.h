// A data set as a GENEPOP file or a table gives it: populations by name,
// genotypes as label numbers, before the labels are coded and the
// populations matched with the other file's.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "data/alleles.h"
#include "data/textfile.h"

namespace gstboot {

// Which data set a file holds: the MHC copies or the MIC loci.
enum class Role { mhc, mic };

struct RawPopulation {
    std::string name;
    Place place;                        // where the name first appears
    std::vector<Place> individuals;     // where each individual's line begins
    std::vector<std::int32_t> alleles;  // `width` label numbers per individual; MISSING where not typed
};

struct RawSet {
    std::string file;                   // the name messages give
    Role role = Role::mic;
    int width = 0;                      // values per individual: MHC copies, or 2 per MIC locus
    std::vector<std::string> locusnames;  // MIC loci, in order
    std::vector<AlleleLabels> labels;   // per MIC locus, or one row for all MHC copies
    std::vector<RawPopulation> pops;    // in order of first appearance
    std::map<std::string, std::size_t> popindex;  // name to position in pops
    long halfmissing = 0;               // genotypes with one allele missing, stored as missing
    Place end;                          // just after the file's last value
};

// Empties `set` for the file `name` of `lines`, and returns the index of its
// first line that is not blank (lines.size() when there is none).
std::size_t startset(RawSet& set, const std::string& name, Role role, const std::vector<Line>& lines);

// The population named `name`, or null.
RawPopulation* findpopulation(RawSet& set, const std::string& name);

// A new population at the end of the set.
RawPopulation& addpopulation(RawSet& set, const std::string& name, Place where);

// Stores one MIC-style genotype (or the two GENEPOP copies of an MHC
// individual) at the end of `pop`: a genotype with one allele missing is
// counted in set.halfmissing and stored as missing altogether.
void addgenotype(RawSet& set, RawPopulation& pop, std::int32_t a, std::int32_t b);

// Refuses a locus name given before, at the second place.
void checkdistinctloci(const std::string& name, const std::vector<std::string>& names,
                       const std::vector<Place>& places);

}  // namespace gstboot
