// Both input files, in any of the formats (legacy, GENEPOP, table, GenAlEx,
// STRUCTURE),
// read into one data set with the settings in force.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/dataset.h"
#include "input/detect.h"
#include "input/missing.h"
#include "input/reader.h"

namespace gstboot {

// Which data sets a replicate resamples: MHC individuals, MIC individuals,
// MIC loci.
struct Resampling {
    bool mhc = true;
    bool mic = true;
    bool loci = false;
};

struct InputRequest {
    InputPaths paths;
    Format mhcformat = Format::automatic;  // automatic: told from the content (see detect.h)
    Format micformat = Format::automatic;
    // Given on the command line; unset, a legacy file's header decides its
    // switches, and files of the other formats take correction off and
    // resampling of MHC and MIC individuals.
    std::optional<bool> correction;
    std::optional<Resampling> resample;
    // What a cell of a table, GenAlEx or STRUCTURE file holds when it is
    // missing (--missing).
    MissingCodes missing;
    // The population of each sample when the MIC file is a VCF file
    // (--popmap); empty otherwise.
    std::string popmap;
    // The MHC locus read when the MHC file names several (--mhc-locus);
    // empty: none picked.
    std::string mhclocus;
    // Told of the bytes read from the files of the named formats and VCF
    // (not owned; null: nobody is told).
    ByteMeter* meter = nullptr;
};

// What a run says about its reading, after its settings.
struct ReadReport {
    // The codes of missing cells in force, when a file is of a format that
    // has them; else empty.
    std::string missing;
    // One line per file (see readsummary.h), then how the populations
    // were paired when not by their names: by position (against a legacy
    // file, or files that say nothing either way) or by shared individuals.
    std::vector<std::string> lines;
};

// Fills the whole of `ds` from both files, the MHC file first: counts,
// genotypes (allele labels of the named formats coded per locus, or per MHC
// set, from 0 in ascending order: by number when every label is a number,
// else by text), `present`, micmissing, popnames, locusnames and the
// switches. Populations are numbered in the order of the MHC file; two
// files that both name their populations are matched by name, others by
// position.
//
// Two legacy files without options are read by readmhc and readmic as they
// stand.
// Throws Error with status 1 where the fault is found (a file that cannot
// be opened, an ambiguous format, a file that breaks its format's rules or
// the limits, populations that do not match, MHC loci of other copies or
// not side by side, an MHC file that names more loci than the MIC set: see
// mhcloci.h), naming file:line:column and what was expected. Warnings, each beginning with its file, are appended
// to `warnings`.
// `report`, when given, receives what the run says of its reading.
void readinputs(const InputRequest& request, DataSet& ds, std::vector<std::string>& warnings,
                ReadReport* report = nullptr);

// The settings in force in `ds`: "correction off, resampling mhc,mic"
// (resampling "none" when every switch is off).
std::string describesettings(const DataSet& ds);

}  // namespace gstboot
