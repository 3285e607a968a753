// The data set: run parameters, sample sizes, genotypes and the allele
// presence table, as read from the two input files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/limits.h"

namespace gstboot {

// Genotype arrays, indexed population, individual, copy (MHC) or
// population, individual, locus, allele 0/1 (MIC). Only the region below the
// counts of the data set carries data.
using MhcArray = std::int32_t[MAXPOP][MAXIND][MAXCOPIES];
using MicArray = std::int32_t[MAXPOP][MAXIND][MAXLOCI][2];

// present[0][a]: code a occurs in the MHC data; present[1 + l][a]: code a
// occurs at MIC locus l, over all populations. Entries are 0 or 1.
using Presence = std::int32_t[1 + MAXLOCI][NALLELE];

// The allele code of a MIC genotype that was not typed: both alleles of the
// locus hold it. It is never stored in the MHC arrays (an MHC individual with
// a missing copy is left out of the MHC set) and never marked in `present`.
constexpr std::int32_t MISSING = -1;

// A switch is on only when it equals exactly 1.
inline bool switchon(std::int32_t value) { return value == 1; }

struct DataSet {
    std::int32_t npop = 0;
    std::int32_t mhccopies = 0;
    std::int32_t corrflag = 0;
    std::int32_t bootmhc = 0;
    std::int32_t nloci = 0;
    std::int32_t bootmic = 0;
    std::int32_t bootloci = 0;
    std::int32_t nmhc[MAXPOP] = {};
    std::int32_t nmic[MAXPOP] = {};
    Presence present = {};  // for the data as read
    // Some MIC genotype is MISSING. Scoring then takes each pair and locus
    // over the individuals typed there; without it, the legacy form and bits.
    bool micmissing = false;
    // Population names in population order, from files that name them;
    // empty for the legacy layout (pairs are then known by number).
    std::vector<std::string> popnames;
    // MIC locus names in locus order, where the file gives them; else empty.
    std::vector<std::string> locusnames;
    // Not zeroed by default construction (`new DataSet`): only the region
    // below the counts is ever written or read, and zeroing 4 MB would touch
    // every page of it. Value-initialisation (`DataSet()`) still zeroes all.
    MhcArray mhc;
    MicArray mic;
};

}  // namespace gstboot
