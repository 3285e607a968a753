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

#include "data/dataset.h"

namespace gstboot {

struct InputPaths {
    std::string mhc = "MHCdata.txt";
    std::string mic = "MICdata.txt";
};

// Fills `ds` (parameters, sample sizes, genotypes and the presence table of
// the data as read) from both files, the MHC file first.
//
// Every value must be a 32-bit decimal integer within its limits: npop 0..50,
// mhccopies 0..10, nloci 0..50, sample sizes 0..200, allele codes 0..350.
// Switches may hold any integer (only 1 means on). Throws Error with status 1
// on a file that cannot be opened ("Error: Cannot open <path> file!" on
// standard output), on a value that breaks these rules, or on a file that ends
// before its counts are satisfied; the message names the file, line, column
// and the value expected. Values after the last one needed are not used; one
// warning per file saying how many is appended to `warnings`.
void readdata(const InputPaths& paths, DataSet& ds, std::vector<std::string>& warnings);

// The two halves of readdata, on open streams; `name` is used in messages.
// readmhc clears the whole presence table and fills row 0; readmic needs the
// npop of readmhc (0..50; anything else is refused with an Error) and fills
// the MIC rows. A file that ends early is reported at the line and column just
// after its last value, with the number of values needed so far and found.
void readmhc(std::FILE* file, const std::string& name, DataSet& ds, std::vector<std::string>& warnings);
void readmic(std::FILE* file, const std::string& name, DataSet& ds, std::vector<std::string>& warnings);

}  // namespace gstboot
