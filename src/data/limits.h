// Fixed sizes of the data set. Every array of a run is sized by these, whatever
// the input files hold; the reader refuses input that would not fit.
#pragma once

namespace gstboot {

constexpr int MAXPOP = 50;     // populations
constexpr int MAXIND = 200;    // individuals per population, per data set
constexpr int MAXCOPIES = 10;  // allele copies per MHC individual
constexpr int MAXLOCI = 50;    // MIC loci
constexpr int NALLELE = 351;   // allele codes 0..350
constexpr int NREP = 1000;     // bootstrap replicates of a run

}  // namespace gstboot
