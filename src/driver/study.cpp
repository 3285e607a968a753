#include "driver/study.h"

#include <thread>

#include "driver/budget.h"
#include "driver/neutralrun.h"
#include "driver/replicates.h"
#include "driver/summarize.h"
#include "estimates/scorer.h"
#include "system/memory.h"

namespace gstboot {

ReadStudy readstudy(const Options& options, ByteMeter* meter) {
    ReadStudy study;
    study.ds = std::make_unique<DataSet>();
    readinputs(InputRequest{options.inputs, options.mhcformat, options.micformat, options.correction,
                            options.resample, options.missing, options.popmap, options.mhclocus, meter},
               *study.ds, study.readwarnings, &study.read);
    study.settings = describesettings(*study.ds);
    if (!study.read.missing.empty()) study.settings += ", missing " + study.read.missing;
    return study;
}

void fitstudy(const Options& options, ReadStudy& study) {
    // A study too large for the memory there is stops here, before any
    // output is touched.
    int threads = options.threads;
    if (threads == 0) threads = static_cast<int>(std::thread::hardware_concurrency());
    study.threads = fitthreads(*study.ds, options.reference, threads, memorylimit(), study.fitwarnings);
}

ScoredStudy scorestudy(const ReadStudy& study, const Options& options, Isa isa, std::uint32_t seed,
                       std::FILE* console, Progress* progress, const StopCheck* stop) {
    const DataSet& ds = *study.ds;
    const std::unique_ptr<Scorer> scorer = makescorer(ds, options.reference, isa);
    auto tables = std::make_unique<ResultTables>();
    tables->assign(ds.npop);
    ScoredStudy scored;
    if (progress) progress->start("replicates", NREP);
    // The measures over all populations are the study table's alone: a run
    // without it does not take them.
    std::unique_ptr<GlobalCounts> counts;
    std::unique_ptr<GlobalReplicates> globals;
    if (!options.study.empty()) {
        counts = std::make_unique<GlobalCounts>(ds);
        globals = std::make_unique<GlobalReplicates>();
        globals->counts = counts.get();
    }
    runreplicates(ds, *scorer, seed, study.threads, *tables, console, scored.warnings, progress, stop, globals.get());
    if (progress) progress->finish();

    auto observed = std::make_unique<PairEstimates>();
    scoreobserved(ds, *scorer, *observed);
    scored.summary =
        summarizerun(ds, *tables, *observed, seed, options.inputs.mhc, options.inputs.mic, globals.get());
    // Its own streams, after the replicates: they do not change.
    if (options.neutraldraws > 0) {
        if (progress) progress->start("neutral test", static_cast<long long>(scored.summary.pairs.size()));
        runneutral(ds, seed, options.neutraldraws, study.threads, scored.summary, progress, stop);
        if (progress) progress->finish();
    }
    return scored;
}

}  // namespace gstboot
