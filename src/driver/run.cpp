#include "driver/run.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "data/inputs.h"
#include "driver/budget.h"
#include "driver/options.h"
#include "driver/progress.h"
#include "driver/neutralrun.h"
#include "driver/replicates.h"
#include "driver/summarize.h"
#include "estimates/isa.h"
#include "estimates/scorer.h"
#include "neutral/neutraltest.h"
#include "output/diversity.h"
#include "output/escape.h"
#include "output/lociplot.h"
#include "output/matrices.h"
#include "output/heatmap.h"
#include "output/neutraltext.h"
#include "output/plot.h"
#include "output/report.h"
#include "output/studytable.h"
#include "output/table.h"
#include "output/warnings.h"
#include "system/memory.h"
#include "system/outputs.h"
#include "system/signals.h"
#include "system/terminal.h"

namespace gstboot {

namespace {

// Warnings quote names and paths, which may hold what a terminal obeys.
void printlines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) std::fprintf(stderr, "%s\n", terminaltext(line).c_str());
}

}  // namespace

int run(const Options& options) {
    if (options.help) {
        std::fputs(usage().c_str(), stdout);
        flushconsole(stdout);
        return 0;
    }
    if (options.version) {
        std::printf("gstboot %s\nkernels: %s\n", VERSION, kernelname());
        flushconsole(stdout);
        return 0;
    }
    checkfiles(options);
    const Isa isa = chosenisa();  // a bad GSTBOOT_ISA is refused before anything is read
    // The seed is taken before reading, as the clock would be read first.
    const std::uint32_t seed =
        options.hasseed ? options.seed : static_cast<std::uint32_t>(std::time(nullptr));

    installsignalhandlers();
    auto ds = std::make_unique<DataSet>();
    std::vector<std::string> warnings;
    ReadReport read;
    readinputs(InputRequest{options.inputs, options.mhcformat, options.micformat, options.correction, options.resample,
                            options.missing, options.popmap, options.mhclocus},
               *ds, warnings, &read);
    printlines(warnings);
    std::fprintf(stderr, "seed: %u\n", seed);
    std::fprintf(stderr, "settings: %s%s\n", describesettings(*ds).c_str(),
                 read.missing.empty() ? "" : (", missing " + read.missing).c_str());
    printlines(read.lines);

    // A study too large for the memory there is stops here, before any
    // output is touched.
    int threads = options.threads;
    if (threads == 0) threads = static_cast<int>(std::thread::hardware_concurrency());
    warnings.clear();
    threads = fitthreads(*ds, options.reference, threads, memorylimit(), warnings);
    printlines(warnings);

    // Opened before the replicates, so that an output that cannot be created
    // is reported at once rather than after the whole run.
    OutputSet outputs;
    OutputFile& report = outputs.add(options.output);
    OutputFile* table = options.table.empty() ? nullptr : &outputs.add(options.table);
    OutputFile* plot = options.plot.empty() ? nullptr : &outputs.add(options.plot);
    OutputFile* heatmap = options.heatmap.empty() ? nullptr : &outputs.add(options.heatmap);
    OutputFile* study = options.study.empty() ? nullptr : &outputs.add(options.study);
    OutputFile* diversity = options.diversity.empty() ? nullptr : &outputs.add(options.diversity);
    OutputFile* lociplot = options.lociplot.empty() ? nullptr : &outputs.add(options.lociplot);
    std::vector<OutputFile*> matrices;
    if (!options.matrices.empty()) {
        for (const char* name : MATRIXNAMES) matrices.push_back(&outputs.add(options.matrices + "/" + name));
    }

    const std::unique_ptr<Scorer> scorer = makescorer(*ds, options.reference, isa);
    auto tables = std::make_unique<ResultTables>();
    tables->assign(ds->npop);
    warnings.clear();
    Progress progress(stderr, redrawable(stderr));
    progress.start("replicates", NREP);
    runreplicates(*ds, *scorer, seed, threads, *tables, stdout, warnings, &progress);
    progress.finish();
    printlines(warnings);

    auto observed = std::make_unique<PairEstimates>();
    scoreobserved(*ds, *scorer, *observed);
    RunSummary summary = summarizerun(*ds, *tables, *observed, seed, options.inputs.mhc, options.inputs.mic);
    // Its own streams, after the replicates: they do not change.
    if (options.neutraldraws > 0) {
        progress.start("neutral test", static_cast<long long>(summary.pairs.size()));
        runneutral(*ds, seed, options.neutraldraws, threads, summary, &progress);
        progress.finish();
    }
    printlines(estimatewarnings(summary));
    printlines(neutralwarnings(summary, MINLOCI));
    const std::string neutral = neutralline(summary);
    if (!neutral.empty()) std::fprintf(stderr, "%s\n", neutral.c_str());

    outputs.console(stdout, consoletext(summary));
    report.write(filetext(summary));
    if (table) table->write(tabletext(summary));
    if (plot) plot->write(plotsvg(summary.pairs, summary.seed, options.neutraldraws > 0));
    if (heatmap) heatmap->write(heatmapsvg(summary, options.heatmapscale));
    if (study) study->write(studytext(summary));
    if (diversity) diversity->write(diversitytext(*ds));
    if (lociplot) lociplot->write(lociplotsvg(summary));
    if (!matrices.empty()) {
        const std::vector<MatrixFile> files = matrixfiles(summary);
        for (std::size_t k = 0; k < files.size(); ++k) matrices[k]->write(files[k].text);
    }
    outputs.commit(stdout);
    printlines(studylines(summary));
    printlines(reportlines(summary));
    return 0;
}

}  // namespace gstboot
