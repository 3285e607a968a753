// The reader of the two input files.
//
// MHC file: npop mhccopies corrflag bootmhc, then npop sample sizes, then for
// each population, individual and copy one allele code.
// MIC file: nloci bootmic bootloci, then npop sample sizes, then for each
// population, individual, locus and allele (two per locus) one allele code.
// Values are decimal integers separated by any white space; line breaks carry
// no meaning.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "model/dataset.h"

namespace gstboot {

struct InputPaths {
    std::string mhc = "MHCdata.txt";
    std::string mic = "MICdata.txt";
};

// The legacy layout, read from open streams; `name` is used in messages.
// readmhc clears the whole presence table and fills the MHC parameters,
// sample sizes, genotypes and row 0; readmic needs the npop of readmhc
// (0..50; anything else is refused with an Error) and fills the MIC ones and
// rows.
//
// Every value must be a 32-bit decimal integer within its limits: npop 0..50,
// mhccopies 0..10, nloci 0..50, sample sizes 0..200, allele codes 0..350.
// Switches may hold any integer (only 1 means on). Throws Error (kind input)
// on a value that breaks these rules, or on a file that ends before its
// counts are satisfied, reported at the line and column just after its last
// value with the number of values needed so far and found. Values after the
// last one needed are not used; one warning per file saying how many is
// appended to `warnings`. A file that goes on past the most values its
// layout holds at every limit (MAXMHCVALUES, MAXMICVALUES), or holds a value
// or a run of blanks longer than Token::longest, is refused there, so that
// an endless input ends.
void readmhc(std::FILE* file, const std::string& name, DataSet& ds, std::vector<std::string>& warnings);
void readmic(std::FILE* file, const std::string& name, DataSet& ds, std::vector<std::string>& warnings);

}  // namespace gstboot
