// Limits of the legacy layout of whitespace-separated integers: its readers
// refuse a file beyond them, with the messages stored files rely on. The
// named formats (GENEPOP, tables, VCF) are bounded by memory alone, but for
// MHC copies (MAXNAMEDCOPIES); every array of a run is sized by its data.
#pragma once

namespace gstboot {

constexpr int MAXPOP = 50;     // populations
constexpr int MAXIND = 200;    // individuals per population, per data set
constexpr int MAXCOPIES = 10;  // allele copies per MHC individual
constexpr int MAXLOCI = 50;    // MIC loci
constexpr int NALLELE = 351;   // allele codes 0..350

// Allele copies per MHC individual in the named formats: the fast scorer
// keeps an individual's matching copies as bits of one 64-bit word.
constexpr int MAXNAMEDCOPIES = 64;

// The most values a legacy file may hold: an MHC or MIC file at every limit
// above. A file that goes on beyond them is refused, so that an endless
// input (a pipe) ends there.
constexpr long MAXMHCVALUES = 4 + MAXPOP + long{MAXPOP} * MAXIND * MAXCOPIES;
constexpr long MAXMICVALUES = 3 + MAXPOP + long{MAXPOP} * MAXIND * MAXLOCI * 2;

constexpr int NREP = 1000;  // bootstrap replicates of a run

}  // namespace gstboot
