// The data set: run parameters, sample sizes, genotypes and the allele
// presence table, as read from the two input files.
#pragma once

#include <cstdint>

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
    // Not zeroed by default construction (`new DataSet`): only the region
    // below the counts is ever written or read, and zeroing 4 MB would touch
    // every page of it. Value-initialisation (`DataSet()`) still zeroes all.
    MhcArray mhc;
    MicArray mic;
};

}  // namespace gstboot
