// A study from its files to its summary, without any output: what the
// command line and an embedding host (the R package) share.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "model/dataset.h"
#include "input/inputs.h"
#include "driver/options.h"
#include "driver/progress.h"
#include "driver/stopcheck.h"
#include "estimates/isa.h"
#include "output/summary.h"

namespace gstboot {

// A study read, then checked against the memory there is.
struct ReadStudy {
    std::unique_ptr<DataSet> ds;
    ReadReport read;
    std::string settings;                  // "correction off, resampling mhc,mic[, missing ...]"
    std::vector<std::string> readwarnings;  // the readers'
    std::vector<std::string> fitwarnings;   // fewer threads than asked, for the memory
    int threads = 1;                        // those that fit (fitstudy)
};

// Reads both files of `options` (see readinputs), telling `meter` (when
// given) of the bytes taken. Throws Error as it does.
ReadStudy readstudy(const Options& options, ByteMeter* meter = nullptr);

// Fits the threads of `options` (0: every hardware thread) to the memory
// limit (see fitthreads), setting `threads` and `fitwarnings`. Throws Error
// as it does.
void fitstudy(const Options& options, ReadStudy& study);

// What the replicates and the neutral test add to a study read.
struct ScoredStudy {
    RunSummary summary;
    std::vector<std::string> warnings;  // threads that could not be started
};

// Scores `study` with `isa`'s kernels: the replicates from `seed`, the
// observed estimates, the summary and, when `options` asks for draws, the
// neutral test. `console` takes the countdown (null: none), `progress` the
// phases (null: none); `stop` is asked as stopcheck.h says. The results do
// not depend on the threads, nor on `console`, `progress` and `stop`.
ScoredStudy scorestudy(const ReadStudy& study, const Options& options, Isa isa, std::uint32_t seed,
                       std::FILE* console, Progress* progress, const StopCheck* stop);

}  // namespace gstboot
