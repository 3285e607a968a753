// The neutral (MIC) set from a VCF file, plain or compressed with gzip or
// bgzip: the GT field of every sample, wherever it stands in FORMAT, with
// the populations a population map gives the samples.
#pragma once

#include <string>
#include <vector>

#include "input/popmap.h"
#include "input/rawset.h"

namespace gstboot {

// Whether the file begins as a VCF file does ("##fileformat=VCF"), or as
// compressed input (gzip's first bytes), which only a VCF file may be.
// False when it cannot be opened (its reader then says why) or cannot be
// read twice (a pipe: a VCF file is read from a file only).
bool looksvcf(const std::string& path);

// Reads the VCF file `path` into `set` as the MIC set: one locus per data
// line, named by its ID (CHROM:POS where the ID is '.'), with the allele
// indices of GT as labels ("0" for REF, "1" for the first ALT...);
// populations in the order `map` first names them, each with its samples in
// the order of the header line. A diploid call (0/1, 0|1) is a genotype,
// ./. or . a missing one, and a call with one allele missing (./1) counts
// as missing altogether. Samples the map leaves out are skipped with one
// warning that counts them.
//
// Throws Error (status 1) at file:line:column, the line of the
// decompressed text, naming the sample where one is at fault: a file that
// does not begin as VCF, a header line without FORMAT and samples, a
// sample named twice, a line with the wrong number of columns, a site
// without GT, a call that is not diploid or names an allele the site does
// not have, a file without data lines; and at the map's line a sample of
// the map that the file does not hold. The bytes taken from the file are
// told to `meter` when one is given.
void readvcf(const std::string& path, const PopMap& map, RawSet& set, std::vector<std::string>& warnings,
             ByteMeter* meter = nullptr);

}  // namespace gstboot
