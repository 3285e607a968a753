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
    // A diploid carries two copies of a gene: more are duplicated genes
    // pooled, which lower the observed estimate and which the null of one
    // gene's copies cannot tell from one gene (their within-individual
    // identity is the same), so the test would call them "less
    // differentiated". It is left out unless the copies are said to be one
    // gene's.
    const bool pooled = options.neutraldraws > 0 && ds.mhccopies > 2 && !options.polyploid;
    if (pooled) {
        scored.summary.neutralleftout = true;
        scored.warnings.push_back(
            options.inputs.mhc + ": warning: the neutral test is left out: the MHC set has " +
            std::to_string(ds.mhccopies) + " copies of " + (ds.mhcloci == 1 ? std::string("one locus") : "each locus") +
            ", which in a diploid are duplicated genes pooled, and pooled genes look less differentiated than they are; "
            "give each gene as its own locus (columns DRB_1, DRB_2, DQB_1, DQB_2, or one GENEPOP locus each), or "
            "--polyploid if the copies are one gene's");
    }
    if (options.neutraldraws > 0 && !pooled) {
        if (progress) progress->start("neutral test", static_cast<long long>(scored.summary.pairs.size()));
        runneutral(ds, seed, options.neutraldraws, study.threads, scored.summary, progress, stop);
        if (progress) progress->finish();
    }
    return scored;
}

}  // namespace gstboot
